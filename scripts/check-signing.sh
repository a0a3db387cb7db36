#!/usr/bin/env bash
# check-signing.sh EXE SIGNED FOLDER
# Signs EXE as a publisher would (sign.sh), with a throw-away CA and code-signing certificate
# made anew in FOLDER (in the build tree: no key is ever kept in the repository), and checks the
# signed copy: the same bytes from the PKCS#12 file and from the PEM key and chain; verified by
# osslsigncode against that CA, with the program's name and the commit's time in it; and, with
# the signature taken off, EXE byte for byte. Leaves it at SIGNED, for the tests that run it,
# only when all of that holds.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$(realpath "$1") signed=$(realpath -m "$2") keys=$3
rm -rf -- "$keys" "$signed"
mkdir -p "$keys"
cd "$keys"

cat > x509.cnf <<'CNF'
[req]
distinguished_name = subject
[subject]
[ca]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign
subjectKeyIdentifier = hash
[publisher]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF
certificate() {
  openssl req -x509 -config x509.cnf -newkey rsa:2048 -nodes -days 2 "$@" 2>/dev/null
}
certificate -keyout ca.key -out ca.crt -subj '/CN=Throw-away test CA' -extensions ca
certificate -keyout publisher.key -out publisher.crt -subj '/O=ZARVO Systems/CN=ZARVO Systems (test)' \
  -extensions publisher -CA ca.crt -CAkey ca.key
cat publisher.crt ca.crt > chain.pem
echo throw-away > passphrase
openssl pkcs12 -export -inkey publisher.key -in publisher.crt -certfile ca.crt \
  -passout file:passphrase -out publisher.p12

status=0
fail() { echo "signing: $*"; status=1; }
env -u SOURCE_DATE_EPOCH "$here/sign.sh" --pkcs12 publisher.p12 --pass-file passphrase "$exe" signed.exe
env -u SOURCE_DATE_EPOCH "$here/sign.sh" --key publisher.key --certs chain.pem "$exe" again.exe
cmp -s signed.exe again.exe || fail "signing twice gave different bytes: $(cmp signed.exe again.exe | head -n 1)"

report=$(osslsigncode verify -CAfile ca.crt -in signed.exe 2>&1) || fail "osslsigncode verify failed: $report"
committed=$(git -C "$here/.." log -1 --format=%ct)
for line in "Text description: Quorbel v1.00" \
            "Signing time: $(date -u -d "@$committed" '+%b %e %H:%M:%S %Y GMT')"; do
  grep -qxF "$line" <<<"$(sed 's/^[[:space:]]*//; s/[[:space:]]*$//' <<<"$report")" ||
    fail "the signature does not say \"$line\""
done

osslsigncode remove-signature -in signed.exe -out unsigned.exe >/dev/null
cmp -s unsigned.exe "$exe" || fail "the image inside the signature is not the build's: $(cmp unsigned.exe "$exe" | head -n 1)"

[ "$status" -eq 0 ] || exit 1
mv signed.exe "$signed"
rm -f again.exe unsigned.exe
echo "signing: verified against the test CA; dated at the commit; the image inside is the build's"
echo "signing: $(stat -c %s "$exe") bytes unsigned, $(stat -c %s "$signed") signed"
