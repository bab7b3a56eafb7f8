#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
set -euo pipefail
cd "$(dirname "$0")/.."

export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo

apt_packages=(
  build-essential cmake ninja-build pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  clang
  # Windows cross build and its tests under Wine (GoogleTest built from source)
  mingw-w64 g++-mingw-w64-x86-64-posix googletest
  wine wine64 fonts-wine libgnutls30
  libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxfixes3 libxxf86vm1
  xvfb xauth fonts-dejavu-core  # the text service host test draws Vietnamese text on a virtual screen
  fonts-liberation2             # stands in for "Segoe UI" in the settings dialog's tests under Wine
  # word lists and texts that tools/make_lexicon.py and tools/quality/make_corpus.py read
  hunspell-vi scowl fortunes manpages-vi maint-guide-vi linux-libc-dev
  # held-out texts of tools/quality/make_lists.py (never read by make_lexicon.py)
  libreoffice-help-vi firefox-esr-l10n-vi
  # the voice tests' tiny recogniser model and their spoken test audio
  python3-onnx python3-numpy espeak-ng
  # signed updates: the signature check, the installer, and the mingw-w64
  # libsodium built from Debian's source package
  libsodium-dev nsis dpkg-dev autoconf automake libtool
  # Authenticode signatures of the programs, the DLL and the installer
  osslsigncode openssl
  # a private sound server whose recording device plays the test speech to Wine's audio capture
  pulseaudio pulseaudio-utils
  # the stand-in for the system tar that the installer tests put in their Wine prefix
  libarchive-tools
  git binutils-common libgtk2.0-common libc-l10n gettext libexif12 libgphoto2-l10n libglib2.0-data
  wget make procps psmisc man-db xz-utils adduser apt diffutils findutils
)

$SUDO apt-get update -qq
# npm fetches the prebuilt speech recogniser libraries; Debian's npm conflicts
# with a Node.js that did not come from Debian, so only install it when missing.
command -v npm >/dev/null || apt_packages+=(npm)

$SUDO apt-get install -y -qq --no-install-recommends "${apt_packages[@]}"

./tools/fetch_sherpa_onnx.sh
./tools/build_libsodium_mingw.sh
