#!/usr/bin/env bash
# Installs what is missing, builds under AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DVLX_SANITIZE=ON -DVLX_TESTS=ON
cmake --build build-test -j"$(nproc)"
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
