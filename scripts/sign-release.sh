#!/usr/bin/env bash
# Release step: signs the installer with Authenticode (osslsigncode) and verifies the result.
#
# usage: scripts/sign-release.sh <VelmoraInstaller.exe> [<signed output>]
#
# The whole release build, in order (README, "Release build"):
#   1. scripts/sign-config.sh newkey config-signing.pem      (once; prints VELMORA_CONFIG_KEY)
#   2. BUILD_DIR=build-release scripts/build.sh -DVELMORA_RELEASE=ON \
#        -DVELMORA_UPDATE_SCHEME=https -DVELMORA_PUBLISHER_PIN=<pin> -DVELMORA_CONFIG_KEY=<key>
#      (the configure refuses to go on while any of the three is missing)
#   3. scripts/sign-release.sh Setup.exe                      (the package, before its MD5)
#   4. md5sum Setup.exe -> checksum= in VLMU.ini; raise serial=, set expires=, channel=release;
#      scripts/sign-config.sh sign config-signing.pem VLMU.ini
#   5. scripts/sign-release.sh build-release/VelmoraInstaller.exe
# An installer built without -DVELMORA_RELEASE=ON is a development build: this script refuses
# to sign it (VELMORA_SIGN_DEVELOPMENT=1 signs one anyway, for tests with throw-away keys).
#
# The signing material comes from the environment; without a certificate the file is left
# unsigned (a development build) and the script says so:
#   VELMORA_SIGN_PKCS12      a PKCS#12 file (.pfx/.p12) with the certificate and key, or
#   VELMORA_SIGN_CERT and VELMORA_SIGN_KEY   the certificate (chain) and key, PEM or DER
#   VELMORA_SIGN_PASS_FILE   file holding the password of the key or PKCS#12 file (optional)
#   VELMORA_SIGN_TIMESTAMP   RFC 3161 time-stamp server URL (optional; needs the network).
#                            Without a time stamp the signature is no longer valid once the
#                            certificate has expired.
#   VELMORA_SIGN_CAFILE      CA bundle for the verification (default: the system's bundle;
#                            give the certificate itself for a self-made one)
# The primary signature uses a SHA-1 file digest, which every Windows we support (XP SP3
# included) checks; a nested second signature uses SHA-256 for current Windows.
set -euo pipefail

in="${1:?usage: sign-release.sh <VelmoraInstaller.exe> [<signed output>]}"
out="${2:-$in}"
say() { echo "[sign-release] $*"; }

if [ -z "${VELMORA_SIGN_PKCS12:-}" ] && [ -z "${VELMORA_SIGN_CERT:-}" ]; then
  say "no certificate given (VELMORA_SIGN_PKCS12 or VELMORA_SIGN_CERT): $in left unsigned"
  [ "$out" = "$in" ] || cp "$in" "$out"
  exit 0
fi
# Development builds carry the name of their test-only variable; release builds do not.
if grep -qaF "VELMORA_DEV_NO_SPLIT_TOKEN honoured" "$in" && [ "${VELMORA_SIGN_DEVELOPMENT:-}" != 1 ]; then
  say "$in is a development build (configured without -DVELMORA_RELEASE=ON): not signed"
  exit 1
fi
command -v osslsigncode >/dev/null || { say "osslsigncode is missing (scripts/setup-deps.sh)"; exit 1; }

material=()
if [ -n "${VELMORA_SIGN_PKCS12:-}" ]; then
  material=(-pkcs12 "$VELMORA_SIGN_PKCS12")
else
  material=(-certs "$VELMORA_SIGN_CERT" -key "${VELMORA_SIGN_KEY:?VELMORA_SIGN_KEY must name the key}")
fi
if [ -n "${VELMORA_SIGN_PASS_FILE:-}" ]; then
  material+=(-readpass "$VELMORA_SIGN_PASS_FILE")
fi
stamp=()
if [ -n "${VELMORA_SIGN_TIMESTAMP:-}" ]; then
  stamp=(-ts "$VELMORA_SIGN_TIMESTAMP")
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
osslsigncode sign "${material[@]}" "${stamp[@]}" -h sha1 -n "Velmora" \
  -in "$in" -out "$work/primary.exe" >/dev/null
osslsigncode sign "${material[@]}" "${stamp[@]}" -h sha256 -n "Velmora" -nest \
  -in "$work/primary.exe" -out "$work/signed.exe" >/dev/null

verify=(osslsigncode verify -in "$work/signed.exe")
if [ -n "${VELMORA_SIGN_CAFILE:-}" ]; then
  verify+=(-CAfile "$VELMORA_SIGN_CAFILE")
fi
if ! "${verify[@]}" >"$work/verify.txt" 2>&1; then
  cat "$work/verify.txt"
  say "the signature of $in does not verify; nothing written"
  exit 1
fi
mv "$work/signed.exe" "$out"
say "signed and verified: $out ($(grep '^Number of verified signatures' "$work/verify.txt"))"
