#!/usr/bin/env bash
# Throw-away certificates for the TLS policy's tests, as DER files: a test root CA (which the
# test makes its prefix trust) with an intermediate, a rogue root nobody trusts, and server
# certificates for update.velmora.example: a good one, one under the intermediate (naming a
# host where its issuer could be fetched, played by the test server), one from the rogue root,
# one for another host, an expired one, one only for client authentication, a self-signed one.
#
# usage: make_test_certificates.sh <out folder>
set -euo pipefail
out="$1"
mkdir -p "$out"
cd "$out"
rm -f index.txt* serial* ./*.pem ./*.csr ./*.der
host=update.velmora.example
q() { openssl "$@" >/dev/null 2>&1; }

ca() {  # name, subject, [issuer]
  if [ -z "${3:-}" ]; then
    q req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 -subj "/CN=$2" -keyout "$1.key.pem" \
      -out "$1.pem" -addext basicConstraints=critical,CA:TRUE \
      -addext keyUsage=critical,keyCertSign,cRLSign
  else
    q req -new -newkey rsa:2048 -nodes -subj "/CN=$2" -keyout "$1.key.pem" -out "$1.csr" \
      -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
    q x509 -req -in "$1.csr" -CA "$3.pem" -CAkey "$3.key.pem" -CAcreateserial -days 30 \
      -copy_extensions copy -out "$1.pem"
  fi
}

leaf() {  # name, issuer, host, extended key usage, [extra -addext]
  q req -new -newkey rsa:2048 -nodes -subj "/CN=$3" -keyout "$1.key.pem" -out "$1.csr" \
    -addext "subjectAltName=DNS:$3" -addext "extendedKeyUsage=$4" ${5:+-addext "$5"}
  q x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key.pem" -CAcreateserial -days 30 \
    -copy_extensions copy -out "$1.pem"
}

ca ca "Velmora Test Root"
ca rogue "Velmora Rogue Root"
ca int "Velmora Test Intermediate" ca
leaf good ca "$host" serverAuth
leaf via_int int "$host" serverAuth "authorityInfoAccess=caIssuers;URI:http://aia.velmora.example/int.der"
leaf untrusted rogue "$host" serverAuth
leaf otherhost ca elsewhere.example serverAuth
leaf clientonly ca "$host" clientAuth
q req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 -subj "/CN=$host" \
  -addext "subjectAltName=DNS:$host" -keyout selfsigned.key.pem -out selfsigned.pem

# `openssl ca` can date a certificate in the past.
: >index.txt
echo 1000 >serial
printf '[ca]\ndefault_ca=test\n[test]\ndatabase=index.txt\nserial=serial\nnew_certs_dir=.\ndefault_md=sha256\npolicy=any\ncopy_extensions=copy\nunique_subject=no\n[any]\ncommonName=supplied\n' >ca.cnf
q req -new -newkey rsa:2048 -nodes -subj "/CN=$host" -addext "subjectAltName=DNS:$host" \
  -addext extendedKeyUsage=serverAuth -keyout expired.key.pem -out expired.csr
q ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key.pem -startdate 20200101000000Z \
  -enddate 20200201000000Z -in expired.csr -out expired.pem

for name in ca rogue int good via_int untrusted otherhost clientonly selfsigned expired; do
  openssl x509 -in "$name.pem" -outform DER -out "$name.der"
done
