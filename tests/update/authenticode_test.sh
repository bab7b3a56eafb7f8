#!/usr/bin/env bash
# Authenticode signatures of the deliverables: the test installer the build
# signed, the uninstaller it writes and the programs it packs verify against
# the build's throwaway certificate; each deliverable signed afresh verifies;
# an unsigned file, a signed file with one byte changed, and one signed with
# another certificate fail; a time stamp server that does not answer fails
# the signing.
#   authenticode_test.sh AUTHENTICODE_SH CERT_DIR STAGE SIGNED_INSTALLER SIGNED_FILES
# SIGNED_FILES holds the folder the installer packed ("miraDot") and its
# uninstaller ("uninstall.exe").
set -euo pipefail
authenticode=$1 certs=$2 stage=$3 installer=$4 packed=$5/miraDot uninstaller=$5/uninstall.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
sign() { bash "$authenticode" sign "$@"; }
verify() { bash "$authenticode" verify "$certs/cert.pem" "$@" 2>"$work/verify.err"; }
deliverables=(miraDot-Settings.exe miraDot-Voice.exe tsf/miradot_tsf.dll)

verify "$installer" || fail "the signed test installer: $(cat "$work/verify.err")"
verify "$uninstaller" || fail "the uninstaller it writes: $(cat "$work/verify.err")"
for file in "${deliverables[@]}"; do
  verify "$packed/$file" || fail "packed $file: $(cat "$work/verify.err")"
  verify "$stage/$file" && fail "unsigned $file passed"
done
osslsigncode verify -CAfile "$certs/cert.pem" -in "$installer" | grep -q 'digest algorithm.*SHA256' \
  || fail "the installer's signature is not SHA-256"

# Every deliverable signed afresh, as a release does.
cp "$installer" "$work/setup.exe"
osslsigncode remove-signature -in "$work/setup.exe" -out "$work/unsigned-setup.exe" >/dev/null
verify "$work/unsigned-setup.exe" && fail "unsigned installer passed"
for file in "${deliverables[@]}"; do
  cp "$stage/$file" "$work/$(basename "$file")"
done
signed=("$work/unsigned-setup.exe" "$work/miraDot-Settings.exe" "$work/miraDot-Voice.exe" "$work/miradot_tsf.dll")
sign "$certs/cert.pem" "$certs/key.pem" "${signed[@]}"
for file in "${signed[@]}"; do
  verify "$file" || fail "$(basename "$file") signed afresh: $(cat "$work/verify.err")"
done

# One byte changed in the middle of a signed program.
cp "$work/miraDot-Settings.exe" "$work/tampered.exe"
middle=$(($(stat -c %s "$work/tampered.exe") / 2))
byte=$(od -An -tu1 -j "$middle" -N1 "$work/tampered.exe" | tr -d ' ')
printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$work/tampered.exe" bs=1 seek="$middle" conv=notrunc status=none
verify "$work/tampered.exe" && fail "tampered program passed"
grep -q MISMATCH "$work/verify.err" || fail "tampering not reported: $(cat "$work/verify.err")"

# Signed with another certificate.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=other" -addext extendedKeyUsage=codeSigning \
  -keyout "$work/other.key" -out "$work/other.pem" 2>/dev/null
cp "$stage/tsf/miradot_tsf.dll" "$work/other.dll"
sign "$work/other.pem" "$work/other.key" "$work/other.dll"
verify "$work/other.dll" && fail "a DLL signed with another certificate passed"

# The time stamp address is asked; one that does not answer leaves the file as it was.
cp "$stage/miraDot-Voice.exe" "$work/voice.exe"
MIRADOT_SIGN_TIMESTAMP_URL=http://127.0.0.1:9/ sign "$certs/cert.pem" "$certs/key.pem" "$work/voice.exe" 2>/dev/null \
  && fail "signed without the time stamp server"
cmp -s "$stage/miraDot-Voice.exe" "$work/voice.exe" || fail "a failed signing changed the file"
[ -z "$(ls "$work"/*.signing* 2>/dev/null)" ] || fail "a failed signing left files behind"
echo "authenticode: all checks passed"
