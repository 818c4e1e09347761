#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# With --wine also the Windows cross compiler, GoogleTest's sources and Wine, for
# tools/test-wine.sh; with --fuzz also clang and its libFuzzer and sanitizer run-times, for
# tools/fuzz.sh; with --bench also pyserial, for the script bench/compare_python.sh measures
# ql50-cli against.
# Idempotent: apt-get runs only when a package is missing.
set -euo pipefail
# qt6-translations-l10n: Qt's own dialogs in German. help2man makes the manual pages from
# --help; lintian, appstream and desktop-file-utils check the Debian package.
# qt6-charts-dev's CMake package needs Qt6OpenGL's, which Debian 12 ships in libqt6opengl6-dev
# without qt6-charts-dev depending on it. ql50d keeps its readings in SQLite (libsqlite3-dev)
# and publishes them with libmosquitto (libmosquitto-dev); its tests and benchmark start Debian's
# mosquitto broker.
packages=(
  build-essential cmake g++ pkg-config clang-format git python3
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fonts-dejavu-core
  xvfb xauth
  poppler-utils dpkg-dev
  qt6-translations-l10n
  help2man lintian appstream desktop-file-utils
  libsqlite3-dev libmosquitto-dev mosquitto
)
wine_packages=(g++-mingw-w64-x86-64-posix googletest wine wine64)
fuzz_packages=(clang libclang-rt-14-dev)
bench_packages=(python3-serial)
case "${1:-}" in
  --wine) packages+=("${wine_packages[@]}") ;;
  --fuzz) packages+=("${fuzz_packages[@]}") ;;
  --bench) packages+=("${bench_packages[@]}") ;;
  "") ;;
  *) echo "usage: $0 [--wine | --fuzz | --bench]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
