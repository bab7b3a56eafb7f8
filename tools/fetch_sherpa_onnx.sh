#!/usr/bin/env bash
# Puts the prebuilt sherpa-onnx C API libraries (Windows x64 and Linux x64)
# into .deps/sherpa-onnx/<platform>/. The helper's recogniser binding is
# written against this exact version's c-api.h: change both together.
set -euo pipefail
cd "$(dirname "$0")/.."

version=1.13.4
dest=.deps/sherpa-onnx
stamp="$dest/version"

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
  exit 0
fi

rm -rf "$dest"
mkdir -p "$dest/pack"
for platform in win-x64 linux-x64; do
  (cd "$dest/pack" && npm pack --silent "sherpa-onnx-$platform@$version" >/dev/null)
  mkdir -p "$dest/$platform"
  tar -xzf "$dest/pack/sherpa-onnx-$platform-$version.tgz" -C "$dest/$platform" --strip-components=1
done
rm -rf "$dest/pack"
echo "$version" > "$stamp"
