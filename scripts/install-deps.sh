#!/bin/sh
# Installs every Debian package the build, the tests and the sample run need.
set -e
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    build-essential cmake pkg-config ccache git ca-certificates \
    libxml2-dev zlib1g-dev libdeflate-dev libboost-date-time-dev libmariadb-dev \
    libgtest-dev libgmock-dev libbenchmark-dev \
    mariadb-server mariadb-client \
    catdoc poppler-utils poppler-data python3-olefile \
    python3 python3-jieba wamerican \
    procps util-linux \
    clang libclang-rt-14-dev
