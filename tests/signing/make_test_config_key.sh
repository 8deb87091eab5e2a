#!/usr/bin/env bash
# Throw-away configuration keys for the signed-configuration tests, signed through
# scripts/sign-config.sh: the test key (its public half as a C++ definition of
# ConfiguredConfigKey() for the test build of the installer, and as text for the in-process
# tests), another key, a key of 1024 bits, and configurations signed with them: release ones
# (good, low, expired), test ones (test_low, test_high) and one that names no channel.
#
# usage: make_test_config_key.sh <out folder> <source root>
set -euo pipefail
out="$1"
sign="$2/scripts/sign-config.sh"
mkdir -p "$out"
cd "$out"
rm -f config.pem other.pem short.pem

key_of() { bash "$sign" newkey "$1" | sed 's/^VELMORA_CONFIG_KEY=//' | tr -d '\n'; }
key_of config.pem >config.key
key_of other.pem >other.key
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out short.pem 2>/dev/null
openssl pkey -in short.pem -pubout -outform DER | base64 -w0 >short.key

printf '// Made by make_test_config_key.sh: the public half of the throw-away configuration key.\n#include "installer/config_signature.h"\n\nconst char* ConfiguredConfigKey() {\n    return "%s";\n}\n' \
  "$(cat config.key)" >config_key_setting.cpp

config() {  # file, serial, expires[, channel]
  printf '[full]\naddress=http://dl.velmora.example/pkg/Setup.exe\nchecksum=0123abcd\nchannel=%s\nserial=%s\nexpires=%s\n' \
    "${4:-release}" "$2" "$3" >"$1"
}
config good.ini 5 2099-12-31
config low.ini 3 2099-12-31
config expired.ini 9 2020-01-01
config test_low.ini 2 2099-12-31 test
config test_high.ini 9 2099-12-31 test
printf '[full]\naddress=http://dl.velmora.example/pkg/Setup.exe\nchecksum=0123abcd\nserial=6\nexpires=2099-12-31\n' \
  >nochannel.ini
bash "$sign" sign config.pem good.ini >/dev/null
bash "$sign" sign config.pem low.ini >/dev/null
VELMORA_SIGN_EXPIRED=1 bash "$sign" sign config.pem expired.ini >/dev/null
bash "$sign" sign config.pem test_low.ini >/dev/null
bash "$sign" sign config.pem test_high.ini >/dev/null
# sign-config.sh refuses a configuration without a channel, as an older signer would not.
openssl dgst -sha256 -sign config.pem -out nochannel.ini.sig nochannel.ini
bash "$sign" sign other.pem good.ini other.sig >/dev/null
openssl dgst -sha256 -sign short.pem -out short.sig good.ini
