#!/usr/bin/env bash
# Signs the installer's remote configuration (VLMU.ini, VLMU_TEST.ini) for builds made with a
# configuration key (VELMORA_CONFIG_KEY), and checks the result before it is published.
#
#   scripts/sign-config.sh newkey <private key out>
#       makes a 3072-bit RSA key and prints the VELMORA_CONFIG_KEY value of its public half
#   scripts/sign-config.sh key <private key>
#       prints the VELMORA_CONFIG_KEY value of an existing key
#   scripts/sign-config.sh sign <private key> <configuration> [signature out]
#       writes <configuration>.sig (RSA PKCS#1 v1.5 over SHA-256 of the file's exact bytes),
#       then verifies it with the public half. Refuses a configuration without a numeric
#       `serial`, a YYYY-MM-DD `expires` that is a real day, or `channel=release` or
#       `channel=test` in its [full] section, one already expired, and VLMU.ini not for the
#       release channel or VLMU_TEST.ini not for the test channel.
#
# Publish the .sig beside the configuration (same address + ".sig"); upload both together, the
# configuration's bytes must not change afterwards (no re-encoding by the server).
set -euo pipefail

die() { echo "sign-config: $*" >&2; exit 1; }

public_key_value() {  # private key -> base64 of the DER SubjectPublicKeyInfo, one line
  openssl pkey -in "$1" -pubout -outform DER | base64 -w0
  echo
}

# The value of a key of the [full] section (first occurrence; INI keys are case-sensitive).
full_value() {
  awk -v key="$2" '
    { sub(/\r$/, "") }
    /^\[/ { in_full = ($0 == "[full]"); next }
    in_full && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }
  ' "$1"
}

case "${1:-}" in
newkey)
  [ $# -eq 2 ] || die "usage: $0 newkey <private key out>"
  [ -e "$2" ] && die "$2 exists; not overwriting a key"
  (umask 077 && openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:3072 -out "$2" 2>/dev/null)
  echo "VELMORA_CONFIG_KEY=$(public_key_value "$2")"
  ;;
key)
  [ $# -eq 2 ] || die "usage: $0 key <private key>"
  echo "VELMORA_CONFIG_KEY=$(public_key_value "$2")"
  ;;
sign)
  [ $# -ge 3 ] && [ $# -le 4 ] || die "usage: $0 sign <private key> <configuration> [signature out]"
  key="$2"; config="$3"; sig="${4:-$3.sig}"
  bits=$(openssl pkey -in "$key" -noout -text 2>/dev/null | sed -n 's/.*Private-Key: (\([0-9]*\) bit.*/\1/p')
  [ -n "$bits" ] || die "$key is not a private key openssl can read"
  [ "$bits" -ge 2048 ] || die "$key has $bits bits; the installer needs at least 2048"
  openssl pkey -in "$key" -noout -text 2>/dev/null | grep -q "modulus:" || die "$key is not an RSA key"
  serial=$(full_value "$config" serial)
  expires=$(full_value "$config" expires)
  channel=$(full_value "$config" channel)
  [[ "$serial" =~ ^[0-9]{1,18}$ ]] || die "$config: [full] needs serial=<number> (got '$serial')"
  [[ "$expires" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}$ ]] || die "$config: [full] needs expires=YYYY-MM-DD (got '$expires')"
  # A day the calendar has (not 2027-02-30): the installer refuses any other.
  [ "$(date -u -d "$expires" +%Y-%m-%d 2>/dev/null)" = "$expires" ] && [[ ! "$expires" < 1970-01-01 ]] ||
    die "$config: expires=$expires is not a day of the calendar"
  [[ "$channel" =~ ^(release|test)$ ]] || die "$config: [full] needs channel=release or channel=test (got '$channel')"
  case "$(basename "$config")" in
  VLMU.ini) [ "$channel" = release ] || die "$config is the release configuration but says channel=$channel" ;;
  VLMU_TEST.ini) [ "$channel" = test ] || die "$config is the test configuration but says channel=$channel" ;;
  esac
  today=$(date -u +%Y-%m-%d)
  [[ ! "$expires" < "$today" ]] || [ "${VELMORA_SIGN_EXPIRED:-}" = 1 ] ||
    die "$config expired on $expires (UTC); raise expires (and serial)"
  openssl dgst -sha256 -sign "$key" -out "$sig" "$config"
  pub=$(mktemp)
  trap 'rm -f "$pub"' EXIT
  openssl pkey -in "$key" -pubout -out "$pub"
  openssl dgst -sha256 -verify "$pub" -signature "$sig" "$config" >/dev/null ||
    die "the signature just written does not verify"
  echo "signed $config (channel $channel, serial $serial, expires $expires) -> $sig"
  echo "VELMORA_CONFIG_KEY=$(public_key_value "$key")"
  ;;
*)
  sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
  ;;
esac
