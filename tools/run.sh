#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vorlantix.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVLX_TESTS=OFF
cmake --build build -j"$(nproc)"
exec build/bin/vorlantix "$@"
