#!/usr/bin/env bash
# Installs what is missing, checks the format, builds everything (warnings are errors) and runs
# all tests, then the Windows build of the serial channel and its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQL50_WERROR=ON >/dev/null
cmake --build build -j2
ctest --test-dir build -j2 --output-on-failure --timeout 300
# The plain layers with the Win32 serial channel, cross-built and run under Wine.
tools/test-wine.sh
