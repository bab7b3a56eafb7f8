#!/usr/bin/env bash
# Authenticode signatures (SHA-256) of the Windows programs, the text service
# DLL and the installer, made and checked with Debian's osslsigncode.
#   authenticode.sh sign CERT KEY FILE...   signs each file in place
#   authenticode.sh verify CA FILE...       checks each file's signature against the
#                                           certificates of CA; fails on the first that
#                                           is unsigned, altered or signed by another
# CERT holds the signing certificate and its chain, KEY its private key (PEM or
# DER). MIRADOT_SIGN_TIMESTAMP_URL, when set, names the RFC 3161 time stamp
# server that countersigns, so that the signatures outlive the certificate;
# MIRADOT_SIGN_TSA_CA then holds the time stamp authority's certificates for
# verify.
set -euo pipefail
usage() {
  echo "usage: $0 sign CERT KEY FILE... | verify CA FILE..." >&2
  exit 2
}
[ $# -ge 3 ] || usage
command=$1
shift

case $command in
sign)
  [ $# -ge 3 ] || usage
  cert=$1 key=$2
  shift 2
  timestamp=()
  [ -z "${MIRADOT_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$MIRADOT_SIGN_TIMESTAMP_URL")
  for file in "$@"; do
    signed="$file.signing"
    rm -f "$signed"
    if ! osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n miraDot "${timestamp[@]}" \
      -in "$file" -out "$signed" >"$signed.log" 2>&1; then
      cat "$signed.log" >&2
      rm -f "$signed" "$signed.log"
      echo "authenticode: cannot sign $file" >&2
      exit 1
    fi
    rm -f "$signed.log"
    mv "$signed" "$file"
  done
  ;;
verify)
  ca=$1
  shift
  tsa=()
  [ -z "${MIRADOT_SIGN_TSA_CA:-}" ] || tsa=(-TSA-CAfile "$MIRADOT_SIGN_TSA_CA")
  for file in "$@"; do
    if ! report=$(osslsigncode verify -CAfile "$ca" "${tsa[@]}" -in "$file" 2>&1) \
      || ! grep -q '^Signature verification: ok' <<<"$report"; then
      echo "$report" | grep -iE 'mismatch|fail|error|no signature' >&2 || true
      echo "authenticode: $file: no valid signature" >&2
      exit 1
    fi
  done
  ;;
*)
  usage
  ;;
esac
