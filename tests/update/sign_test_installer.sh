#!/usr/bin/env bash
# Signs the stand-in installer with a throwaway code-signing certificate made
# for the build, and makes a copy with one byte of its code changed after
# signing, whose signature therefore no longer verifies:
#   sign_test_installer.sh STAND_IN.exe OUTPUT_DIR  -> signed.exe, tampered.exe
set -euo pipefail
in=$1
out=$2
mkdir -p "$out"
cd "$out"
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 30 -subj "/CN=miraDot test" \
  -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1
rm -f signed.exe
osslsigncode sign -certs cert.pem -key key.pem -h sha256 -n "miraDot test" -in "$in" -out signed.exe >/dev/null
python3 - <<'PY'
data = bytearray(open("signed.exe", "rb").read())
data[0x400] ^= 1  # inside the first section, covered by the signed digest
open("tampered.exe", "wb").write(data)
PY
rm -f key.pem
