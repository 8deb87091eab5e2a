#!/usr/bin/env bash
# scripts/sign-config.sh refuses what the installer would refuse, before anything is published:
# a day the calendar does not have, a configuration naming no channel or an unknown one, and
# the release configuration for the test channel (or the other way round). What it accepts, it
# signs so that the signature verifies.
#
# usage: sign_config_test.sh <source root>
set -euo pipefail
sign="$1/scripts/sign-config.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
bash "$sign" newkey key.pem >/dev/null
failures=0

write() {  # file, expires, channel line
  printf '[full]\naddress=http://dl.velmora.example/pkg/Setup.exe\nchecksum=0123abcd\n%bserial=4\nexpires=%s\n' \
    "$3" "$2" >"$1"
}

expect_refused() {  # what, file, words of the reason
  rm -f "$2.sig"
  if out=$(bash "$sign" sign key.pem "$2" 2>&1); then
    echo "FAIL: $1 was signed"; failures=$((failures + 1))
  elif [[ "$out" != *"$3"* ]] || [ -e "$2.sig" ]; then
    echo "FAIL: $1: '$out' (wanted '$3', no signature)"; failures=$((failures + 1))
  else
    echo "ok: $1 refused"
  fi
}

expect_signed() {  # what, file
  if bash "$sign" sign key.pem "$2" >/dev/null 2>&1 &&
    openssl pkey -in key.pem -pubout -out pub.pem &&
    openssl dgst -sha256 -verify pub.pem -signature "$2.sig" "$2" >/dev/null; then
    echo "ok: $1 signed"
  else
    echo "FAIL: $1 not signed"; failures=$((failures + 1))
  fi
}

mkdir -p release test
for day in 2027-02-30 2027-02-29 2026-04-31 2027-13-01 2027-00-10 2027-01-00 1969-12-31; do
  write release/VLMU.ini "$day" "channel=release\n"
  expect_refused "expires=$day" release/VLMU.ini "is not a day of the calendar"
done
write release/VLMU.ini 2028-02-29 "channel=release\n"
expect_signed "expires=2028-02-29 (a leap day)" release/VLMU.ini

write release/VLMU.ini 2099-12-31 ""
expect_refused "no channel" release/VLMU.ini "needs channel=release or channel=test"
write release/VLMU.ini 2099-12-31 "channel=beta\n"
expect_refused "channel=beta" release/VLMU.ini "needs channel=release or channel=test (got 'beta')"
write release/VLMU.ini 2099-12-31 "channel=Release\n"
expect_refused "channel=Release" release/VLMU.ini "needs channel=release or channel=test"
write release/VLMU.ini 2099-12-31 "channel=test\n"
expect_refused "VLMU.ini for the test channel" release/VLMU.ini "is the release configuration"
write test/VLMU_TEST.ini 2099-12-31 "channel=release\n"
expect_refused "VLMU_TEST.ini for the release channel" test/VLMU_TEST.ini "is the test configuration"
write test/VLMU_TEST.ini 2099-12-31 "channel=test\n"
expect_signed "VLMU_TEST.ini for the test channel" test/VLMU_TEST.ini
write release/VLMU.ini 2099-12-31 "channel=release\n"
expect_signed "VLMU.ini for the release channel" release/VLMU.ini
# Another file name is signed for either channel.
write staged.ini 2099-12-31 "channel=test\n"
expect_signed "staged.ini for the test channel" staged.ini

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
