#!/usr/bin/env bash
# Installs what is missing, checks the format, builds everything (warnings are errors) and runs
# all tests; then builds again with AddressSanitizer and UndefinedBehaviorSanitizer and runs all
# tests there (this replays the fuzz corpora too); then the Windows build of the serial channel
# and its tests under Wine.
# QL50_SKIP_SANITIZE=1 leaves out the sanitizer stage (for a quick run while working).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
tools/check-names.py src sim bench fuzz

export CCACHE_BASEDIR=$PWD
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQL50_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build build -j2
ctest --test-dir build -j2 --output-on-failure --timeout 300

if [ "${QL50_SKIP_SANITIZE:-0}" != 1 ]; then
  # -O1 with line tables only: the sanitizers' reports name file and line, and the build stays
  # short. The benchmarks are left out; the tests cover the same code.
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQL50_WERROR=ON \
    -DQL50_SANITIZE=address,undefined -DQL50_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" "${launcher[@]}" >/dev/null
  cmake --build build-asan -j2
  ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan -j2 --output-on-failure --timeout 600
fi

# The plain layers with the Win32 serial channel, cross-built and run under Wine.
tools/test-wine.sh
