#!/usr/bin/env bash
# Installs every build and test dependency from Debian's packages.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    build-essential g++ cmake pkg-config clang libclang-rt-14-dev \
    libgtest-dev libgmock-dev libbenchmark-dev \
    libqrencode-dev libjbig-dev libstb-dev \
    iproute2 procps util-linux xxd
