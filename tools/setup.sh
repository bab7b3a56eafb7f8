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
  npm  # fetches the prebuilt speech recogniser libraries
  xvfb xauth fonts-dejavu-core  # the text service host test draws Vietnamese text on a virtual screen
)

$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${apt_packages[@]}"

./tools/fetch_sherpa_onnx.sh
