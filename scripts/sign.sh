#!/usr/bin/env bash
# sign.sh (--pkcs12 FILE | --key FILE --certs FILE) [--pass-file FILE] [--timestamp URL]... IN OUT
# Signs the built QBinstaller100.exe IN into a signed copy OUT (Authenticode, SHA-256, through
# osslsigncode) with the publisher's key and certificate chain, given by path:
#   --pkcs12 FILE      the key, its certificate and the CAs above it, in one PKCS#12 file; or
#   --key FILE --certs FILE
#                      the private key (PEM or DER), and its certificate followed by the CAs
#                      above it (PEM)
#   --pass-file FILE   the passphrase of the key or of the PKCS#12 file, when it has one
#   --timestamp URL    an RFC 3161 timestamp server to countersign with (repeat it for
#                      fallbacks); its answer carries the server's own time, so a stamped copy
#                      differs from run to run
# The signature names the program "Quorbel v1.00" and is dated at the time of the commit that
# is checked out (SOURCE_DATE_EPOCH, when set, instead), never the clock's: the same commit,
# RSA key and osslsigncode give the same bytes (an ECDSA signature holds a random number).
# Only what the signature adds differs from IN.
# Without a key nothing is signed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
name="Quorbel v1.00"
usage() {
  sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0" >&2
  exit 2
}

pkcs12= keyfile= certs= pass=() stamps=() files=()
while [ $# -gt 0 ]; do
  case $1 in
    --pkcs12) pkcs12=$2; shift 2 ;;
    --key) keyfile=$2; shift 2 ;;
    --certs) certs=$2; shift 2 ;;
    --pass-file) pass=(-readpass "$2"); shift 2 ;;
    --timestamp) stamps+=(-ts "$2"); shift 2 ;;
    -*) usage ;;
    *) files+=("$1"); shift ;;
  esac
done
[ ${#files[@]} -eq 2 ] || usage
if [ -n "$pkcs12" ] && [ -z "$keyfile$certs" ]; then
  key=(-pkcs12 "$pkcs12")
elif [ -z "$pkcs12" ] && [ -n "$keyfile" ] && [ -n "$certs" ]; then
  key=(-key "$keyfile" -certs "$certs")
else
  [ -n "$pkcs12$keyfile$certs" ] || echo "sign: no key given, so nothing is signed" >&2
  usage
fi
in=${files[0]} out=${files[1]}
[ -f "$in" ] || { echo "sign: no $in; build it first" >&2; exit 1; }

when=${SOURCE_DATE_EPOCH:-$(git -C "$top" log -1 --format=%ct 2>/dev/null || true)}
[[ $when =~ ^[0-9]+$ ]] ||
  { echo "sign: $top is no git checkout; set SOURCE_DATE_EPOCH to the time to sign at" >&2; exit 1; }

# osslsigncode writes only new files: sign beside OUT, then put the copy in its place.
mkdir -p "$(dirname "$out")"
scratch=$(mktemp -d "$(dirname "$out")/.sign.XXXXXX")
trap 'rm -rf -- "$scratch"' EXIT
osslsigncode sign "${key[@]}" "${pass[@]}" -h sha256 -n "$name" -time "$when" "${stamps[@]}" \
  -in "$in" -out "$scratch/signed.exe" >/dev/null
mv -f "$scratch/signed.exe" "$out"
echo "sign: $out, dated $(date -u -d "@$when" '+%Y-%m-%d %H:%M:%S UTC'); SHA-256 $(sha256sum "$out" | cut -d' ' -f1)"
