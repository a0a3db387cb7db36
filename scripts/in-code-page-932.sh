#!/usr/bin/env bash
# in-code-page-932.sh WINEROOT LOCALEDIR PROGRAM [ARGS...]
# Runs a test program in the sandbox as on Japanese Windows, whose ANSI code page is 932.
# Wine takes the code page from the Unix locale, and names files on the Linux side through
# that locale, which must therefore exist: it is built once into LOCALEDIR (in the build tree)
# from the system's locale sources (package locales). QB_EXPECT_ACP tells the program that it
# must find code page 932, so that a setup that failed can't pass unnoticed.
set -u
root=$1 locales=$(realpath -m "$2"); shift 2
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -f "$locales/ja_JP.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$locales"
  localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" >/dev/null 2>&1
  if [ ! -f "$locales/ja_JP.UTF-8/LC_CTYPE" ]; then
    echo "in-code-page-932: localedef could not build ja_JP.UTF-8 (is the package locales installed?)" >&2
    exit 1
  fi
fi
exec env LOCPATH="$locales" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 QB_EXPECT_ACP=932 \
  "$here/wine-run.sh" "$root" "$@"
