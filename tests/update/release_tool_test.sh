#!/usr/bin/env bash
# The release signer end to end: a key pair, a manifest of an installer, its
# signature, and the verifier accepting exactly that and nothing altered.
#   release_tool_test.sh MIRADOT_RELEASE
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$tool" keygen "$work/key" >"$work/public"
[ "$(stat -c %a "$work/key")" = 600 ] || fail "private key readable by others"
[ "$("$tool" public-key "$work/key")" = "$(cat "$work/public")" ] || fail "public key differs"
"$tool" keygen "$work/key" >/dev/null 2>&1 && fail "keygen overwrote a key"

head -c 100000 /dev/urandom >"$work/setup.exe"
printf 'Sửa lỗi "gõ dấu"\\ và tab\t\n' >"$work/notes"
"$tool" manifest 0.2.0 https://example.test/miraDot-Setup-0.2.0.exe "$work/setup.exe" "$work/notes" "$work/latest.json"
"$tool" sign "$work/key" "$work/latest.json" "$work/latest.json.sig"
[ "$(stat -c %s "$work/latest.json.sig")" = 64 ] || fail "signature is not 64 bytes"
out=$("$tool" verify "$(cat "$work/public")" "$work/latest.json" "$work/latest.json.sig")
digest=$(sha256sum "$work/setup.exe" | cut -d' ' -f1)
grep -qx "sha256 $digest" <<<"$out" || fail "digest: $out"
grep -qx "size 100000" <<<"$out" || fail "size: $out"
grep -qx "version 0.2.0" <<<"$out" || fail "version: $out"
python3 -c 'import json,sys; m=json.load(open(sys.argv[1])); assert m["notes_vi"]=="Sửa lỗi \"gõ dấu\"\\ và tab\t", m' \
  "$work/latest.json" || fail "notes not kept"

# One changed byte, another key, or a plain-HTTP address is refused.
sed 's/0.2.0/0.2.1/' "$work/latest.json" >"$work/changed.json"
"$tool" verify "$(cat "$work/public")" "$work/changed.json" "$work/latest.json.sig" 2>/dev/null && fail "changed manifest passed"
"$tool" keygen "$work/other" >"$work/other.public"
"$tool" verify "$(cat "$work/other.public")" "$work/latest.json" "$work/latest.json.sig" 2>/dev/null && fail "another key passed"
"$tool" manifest 0.2.0 http://example.test/s.exe "$work/setup.exe" "$work/notes" "$work/plain.json" 2>/dev/null \
  && fail "plain HTTP address accepted"
# Translation model rows from a local file: read back by the program's own
# reader; a row it would not take is refused.
revision=cccccccccccccccccccccccccccccccccccccccc
printf '# published models\nen-de %s config.json 223 %s\nen-de %s model.bin 9 %s\n\nde-en %s model.bin 7 %s\n' \
  $revision "$digest" $revision "$digest" $revision "$digest" >"$work/models"
"$tool" manifest 0.2.0 https://example.test/s.exe "$work/setup.exe" "$work/notes" "$work/models.json" "$work/models"
"$tool" sign "$work/key" "$work/models.json" "$work/models.json.sig"
out=$("$tool" verify "$(cat "$work/public")" "$work/models.json" "$work/models.json.sig")
grep -qx "model en-de $revision 2 files" <<<"$out" || fail "en-de: $out"
grep -qx "model de-en $revision 1 files" <<<"$out" || fail "de-en: $out"
printf 'en-de %s ../model.bin 9 %s\n' $revision "$digest" >"$work/bad-models"
"$tool" manifest 0.2.0 https://example.test/s.exe "$work/setup.exe" "$work/notes" "$work/bad.json" "$work/bad-models" \
  2>/dev/null && fail "a file name with a folder accepted"
printf 'en-de %s model.bin\n' $revision >"$work/short-models"
"$tool" manifest 0.2.0 https://example.test/s.exe "$work/setup.exe" "$work/notes" "$work/bad.json" "$work/short-models" \
  2>/dev/null && fail "a short row accepted"
echo "release tool: all checks passed"
