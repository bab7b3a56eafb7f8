#!/usr/bin/env bash
# Makes the files of one release for the update server:
#   tools/release/release.sh PRIVATE_KEY NOTES_FILE SIGN_CERT SIGN_KEY [OUT_DIR]
# builds the release installer with the programs, the DLL, the uninstaller and
# the installer signed with Authenticode by the code signing certificate
# SIGN_CERT (with its chain) and its key SIGN_KEY, time stamped by the server
# of the build setting MIRADOT_SIGN_TIMESTAMP_URL, checks those signatures
# (against MIRADOT_SIGN_CA, by default SIGN_CERT), writes latest.json
# (version, notes_vi and the Windows entry with the installer's URL below the
# update server's base, SHA-256 and size), signs it into latest.json.sig (64 raw bytes) with the
# private key, and checks the result with the program's own verifier against
# the public key built into the settings program. NOTES_FILE holds the
# Vietnamese release notes (UTF-8). OUT_DIR defaults to build/release.
# MIRADOT_RELEASE_MODELS, when set, names a file of translation model rows
# ("MODEL REVISION FILE SIZE SHA256" lines) for the manifest's "models".
set -euo pipefail
cd "$(dirname "$0")/../.."
[ $# -ge 4 ] || { echo "usage: $0 PRIVATE_KEY NOTES_FILE SIGN_CERT SIGN_KEY [OUT_DIR]" >&2; exit 2; }
key=$1
notes=$2
sign_cert=$(realpath "$3")
sign_key=$(realpath "$4")
out=${5:-build/release}
models=(${MIRADOT_RELEASE_MODELS:+"$MIRADOT_RELEASE_MODELS"})

cmake -S . -B build -G Ninja -DMIRADOT_SIGN_CERT="$sign_cert" -DMIRADOT_SIGN_KEY="$sign_key" >/dev/null
cmake --build build --target installer miradot-release
tool=build/tools/release/miradot-release
cache=build/windows/CMakeCache.txt
setting() { sed -n "s/^$1:STRING=//p" "$cache"; }
base=$(setting MIRADOT_UPDATE_BASE_URL)
public=$(setting MIRADOT_UPDATE_PUBLIC_KEY)
[ -n "$(sed -n 's/^MIRADOT_SIGN_TIMESTAMP_URL:STRING=//p' build/CMakeCache.txt)" ] \
  || echo "no MIRADOT_SIGN_TIMESTAMP_URL: the signatures are not time stamped and end with the certificate" >&2
version=$(sed -n 's/^#define MIRADOT_VERSION_TEXT "\([0-9.]*\)"/\1/p' common/version_number.h)

if [ "$("$tool" public-key "$key")" != "$public" ]; then
  echo "the private key does not belong to the public key built into the settings program ($public)" >&2
  exit 1
fi

installer=miraDot-Setup-$version.exe
signed=build/installer/miraDot-Setup-$version-files
bash tools/release/authenticode.sh verify "${MIRADOT_SIGN_CA:-$sign_cert}" "build/installer/$installer" \
  "$signed/miraDot/miraDot-Settings.exe" "$signed/miraDot/miraDot-Voice.exe" "$signed/miraDot/tsf/miradot_tsf.dll" \
  "$signed/uninstall.exe"
mkdir -p "$out"
cp "build/installer/$installer" "$out/$installer"
"$tool" manifest "$version" "$base$installer" "$out/$installer" "$notes" "$out/latest.json" "${models[@]}"
"$tool" sign "$key" "$out/latest.json" "$out/latest.json.sig"
"$tool" verify "$public" "$out/latest.json" "$out/latest.json.sig"
echo "release $version in $out: upload $installer, then latest.json.sig, then latest.json to $base"
