#!/usr/bin/env bash
# Runs a command beside a loopback HTTPS test server (https_server.py), then
# stops the server. A test authority and the server certificates (for
# DNS:localhost) are made afresh for each run; a second authority that nobody
# trusts signs the certificate of the "untrusted" port.
#   with-https-server.sh [--root DIR] COMMAND [ARGS...]
# The command finds in its environment:
#   MIRADOT_TEST_HTTPS_ROOT            the served folder (host path; made when not given)
#   MIRADOT_TEST_HTTPS_PORT            HTTPS, certificate from the test authority
#   MIRADOT_TEST_HTTPS_UNTRUSTED_PORT  HTTPS, certificate from an unknown authority
#   MIRADOT_TEST_HTTP_PORT             plain HTTP
#   MIRADOT_TEST_CA_DER                the test authority's certificate (DER) to trust
#   MIRADOT_TEST_HTTPS_LOG             one line "GET /path" per request
# Scripted failures: "_rules.json" in the served folder (see https_server.py).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
server=""
cleanup() {
  local status=$?
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT

root="$work/www"
if [ "${1:-}" = --root ]; then
  root=$2
  shift 2
fi
mkdir -p "$root"

authority() {  # name: a self-signed authority
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
    -subj "/CN=miraDot test authority $1" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" -keyout "$work/$1-ca.key" -out "$work/$1-ca.pem" 2>/dev/null
}
server_certificate() {  # authority name
  openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj "/CN=localhost" \
    -keyout "$work/$1-server.key" -out "$work/$1-server.csr" 2>/dev/null
  printf 'subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' >"$work/ext"
  openssl x509 -req -in "$work/$1-server.csr" -CA "$work/$1-ca.pem" -CAkey "$work/$1-ca.key" -CAcreateserial \
    -days 2 -extfile "$work/ext" -out "$work/$1-server.pem" 2>/dev/null
}
for name in trusted unknown; do
  authority $name
  server_certificate $name
done
openssl x509 -in "$work/trusted-ca.pem" -outform DER -out "$work/test-authority.der"

: >"$work/requests.log"
/usr/bin/python3 "$here/https_server.py" --root "$root" \
  --cert "$work/trusted-server.pem" --key "$work/trusted-server.key" \
  --untrusted-cert "$work/unknown-server.pem" --untrusted-key "$work/unknown-server.key" \
  --ports-file "$work/ports.json" --log "$work/requests.log" &
server=$!
for _ in $(seq 100); do
  [ -f "$work/ports.json" ] && break
  kill -0 "$server" 2>/dev/null || { echo "the HTTPS test server did not start" >&2; exit 1; }
  sleep 0.1
done
port() { /usr/bin/python3 -c "import json,sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])" "$work/ports.json" "$1"; }

export MIRADOT_TEST_HTTPS_ROOT=$root
export MIRADOT_TEST_HTTPS_PORT=$(port https)
export MIRADOT_TEST_HTTPS_UNTRUSTED_PORT=$(port untrusted)
export MIRADOT_TEST_HTTP_PORT=$(port http)
export MIRADOT_TEST_CA_DER=$work/test-authority.der
export MIRADOT_TEST_HTTPS_LOG=$work/requests.log
status=0
"$@" || status=$?
exit "$status"
