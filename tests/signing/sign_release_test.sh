#!/usr/bin/env bash
# The release signing step with a throw-away certificate: a copy of the installer is signed
# (a SHA-1 and a nested SHA-256 signature) and verifies against that certificate; a PKCS#12
# file with a password works the same; a key that does not belong to the certificate or a
# verification against another CA writes nothing; without a certificate the file stays unsigned;
# a development build is signed only when asked for.
#
# usage: sign_release_test.sh <source root> <VelmoraInstaller.exe>
set -euo pipefail
root="$1"
exe="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }
sign() { bash "$root/scripts/sign-release.sh" "$@"; }

cert() {  # name
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 -subj "/CN=Velmora $1" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$1.key" -out "$1.crt" 2>/dev/null
}
cert release
cert other
cp "$exe" installer.exe

# No certificate: nothing is signed, the step still succeeds.
sign installer.exe unsigned.exe | grep -q "left unsigned" || fail "no-certificate message"
cmp -s installer.exe unsigned.exe || fail "unsigned copy changed"
if osslsigncode verify -in unsigned.exe >/dev/null 2>&1; then fail "unsigned copy verifies"; fi

# The test build is a development build: refused, nothing written, unless asked for.
if VELMORA_SIGN_CERT=release.crt VELMORA_SIGN_KEY=release.key sign installer.exe dev.exe >dev.txt 2>&1; then
  fail "a development build was signed"
fi
grep -q "is a development build" dev.txt || fail "development-build message"
[ ! -e dev.exe ] || fail "output written for a development build"
export VELMORA_SIGN_DEVELOPMENT=1

# Certificate and key: signed and verified, twice (SHA-1 primary, SHA-256 nested).
VELMORA_SIGN_CERT=release.crt VELMORA_SIGN_KEY=release.key VELMORA_SIGN_CAFILE=release.crt \
  sign installer.exe signed.exe
osslsigncode verify -in signed.exe -CAfile release.crt >verify.txt 2>&1 || { cat verify.txt; fail "verify"; }
grep -q "Number of verified signatures: 2" verify.txt || fail "two signatures expected"
grep -q "Message digest algorithm  : SHA1" verify.txt || fail "SHA-1 signature"
grep -q "Message digest algorithm  : SHA256" verify.txt || fail "SHA-256 signature"
grep -q "Subject: /CN=Velmora release" verify.txt || fail "signer"
if osslsigncode verify -in signed.exe -CAfile other.crt >/dev/null 2>&1; then
  fail "verifies against another certificate"
fi

# In place, from a PKCS#12 file with a password.
echo "s3cret" >pass.txt
openssl pkcs12 -export -in release.crt -inkey release.key -passout file:pass.txt -out release.p12
cp installer.exe inplace.exe
VELMORA_SIGN_PKCS12=release.p12 VELMORA_SIGN_PASS_FILE=pass.txt VELMORA_SIGN_CAFILE=release.crt \
  sign inplace.exe
osslsigncode verify -in inplace.exe -CAfile release.crt >/dev/null 2>&1 || fail "in-place signature"

# A key that is not the certificate's, or a check against another CA: nothing is written.
if VELMORA_SIGN_CERT=release.crt VELMORA_SIGN_KEY=other.key sign installer.exe bad.exe >/dev/null 2>&1; then
  fail "mismatched key accepted"
fi
[ ! -e bad.exe ] || fail "output written with a mismatched key"
if VELMORA_SIGN_CERT=release.crt VELMORA_SIGN_KEY=release.key VELMORA_SIGN_CAFILE=other.crt \
  sign installer.exe wrongca.exe >/dev/null 2>&1; then
  fail "verification against another CA passed"
fi
[ ! -e wrongca.exe ] || fail "output written though it does not verify"
echo "sign-release: all checks passed"
