#!/usr/bin/env bash
# Makes a throw-away certificate authority and a code-signing certificate it
# issued, for signing test builds; no key is ever kept in the repository:
#   tests/signing/make-test-certificate.sh DIR
# writes DIR/ca.pem (what a signature is checked against), DIR/signing.pem
# and DIR/signing.key (PLANCHOICE_SIGNING_CERT and PLANCHOICE_SIGNING_KEY).
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: make-test-certificate.sh DIR" >&2
  exit 2
fi
dir=$1
mkdir -p "$dir"
cd "$dir"
rm -f ca.pem ca.key signing.pem signing.key signing.csr

openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 \
  -subj "/CN=PlanChoice throw-away test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signing.key -out signing.csr \
  -subj "/CN=Kelvarin test publisher" 2>/dev/null
openssl x509 -req -in signing.csr -CA ca.pem -CAkey ca.key -set_serial 2 -days 30 \
  -out signing.pem -extfile <(printf '%s\n' "basicConstraints=CA:FALSE" \
    "keyUsage=critical,digitalSignature" "extendedKeyUsage=codeSigning") 2>/dev/null
rm -f ca.key signing.csr
