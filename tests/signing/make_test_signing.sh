#!/usr/bin/env bash
# Throw-away signing material for the signature tests: two self-made code-signing
# certificates (our test publisher and another one), the pin of the publisher's key as a C++
# definition of ConfiguredPublisherPin(), and a setup package in four forms: signed by the
# publisher, unsigned, signed by the other certificate, and signed then altered.
#
# usage: make_test_signing.sh <out folder> <unsigned package>
set -euo pipefail
out="$1"
package="$(realpath "$2")"
mkdir -p "$out"
cd "$out"

make_cert() {  # name, subject
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 -subj "$2" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$1.key" -out "$1.crt" 2>/dev/null
}
make_cert publisher "/CN=Velmora Test Publisher"
make_cert other "/CN=Velmora Impostor"

# The pin: SHA-256 of the certificate's DER SubjectPublicKeyInfo.
pin_of() {
  openssl x509 -in "$1" -noout -pubkey | openssl pkey -pubin -outform DER | sha256sum | cut -d' ' -f1
}
openssl x509 -in publisher.crt -outform DER -out publisher.der
pin_of publisher.crt >publisher.pin
pin_of other.crt >other.pin
printf '// Made by make_test_signing.sh: the pin of the throw-away test publisher.\n#include "installer/publisher_pin.h"\n\nconst char* ConfiguredPublisherPin() {\n    return "%s";\n}\n' \
  "$(cat publisher.pin)" >publisher_pin_setting.cpp

sign() {  # cert name, input, output
  rm -f "$3"
  osslsigncode sign -certs "$1.crt" -key "$1.key" -n "Velmora" -h sha256 -in "$2" -out "$3" >/dev/null
}
cp "$package" unsigned.pkg
sign publisher "$package" signed.pkg
sign other "$package" other.pkg
# Altered after signing: one letter of the DOS stub's message, which the signature covers and
# which nothing reads when the program runs.
cp signed.pkg tampered.pkg
offset=$(grep -obUa "DOS mode" tampered.pkg | head -1 | cut -d: -f1)
printf 'd' | dd of=tampered.pkg bs=1 seek="$offset" conv=notrunc status=none
