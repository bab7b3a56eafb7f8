#!/usr/bin/env bash
# Builds a static 64-bit Windows libsodium from Debian's own source package,
# pinned to the version Debian ships natively, into
# .deps/libsodium-mingw-<version>/{include,lib}. A finished build is reused.
set -euo pipefail
cd "$(dirname "$0")/.."

SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo

version=$(dpkg-query -W -f='${Version}' libsodium-dev)
upstream=${version%%-*}
prefix="$PWD/.deps/libsodium-mingw-$version"
if [ -f "$prefix/lib/libsodium.a" ]; then
  exit 0
fi

# Source packages come from the same archives as the binary ones: the
# machine's own apt sources, each turned into its source counterpart.
sources=/etc/apt/sources.list.d/miradot-deb-src.sources
if [ ! -f "$sources" ]; then
  {
    for list in /etc/apt/sources.list.d/*.sources; do
      [ "$list" = "$sources" ] || sed -n '/^Types:/,/^$/p' "$list" | sed 's/^Types: deb$/Types: deb-src/'
      echo
    done
  } | $SUDO tee "$sources" >/dev/null
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list | $SUDO tee /etc/apt/sources.list.d/miradot-deb-src.list >/dev/null
  fi
  $SUDO apt-get update -qq
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod a+rwx "$work"  # apt fetches as its own user
(cd "$work" && apt-get source -qq --only-source "libsodium=$version" >/dev/null)
src=$(find "$work" -maxdepth 1 -type d -name "libsodium-$upstream*" | head -1)
[ -n "$src" ] || { echo "libsodium source $version not unpacked" >&2; exit 1; }

cd "$src"
# Debian builds it with autoreconf too: the source package has no configure.
autoreconf -fi >/dev/null 2>&1
./configure --host=x86_64-w64-mingw32 --disable-shared --enable-static \
  --disable-dependency-tracking --prefix="$prefix.part" \
  CC=x86_64-w64-mingw32-gcc-posix >"$work/build.log" 2>&1 || { tail -30 "$work/build.log"; exit 1; }
{ make -j"$(nproc)" && make install; } >"$work/build.log" 2>&1 || { tail -30 "$work/build.log"; exit 1; }
rm -rf "$prefix"
mv "$prefix.part" "$prefix"
echo "libsodium $version for mingw-w64 in $prefix"
