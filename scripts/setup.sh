#!/bin/sh
# Installs what one make target needs when it is missing (Debian):
#
#   sh scripts/setup.sh run       the compiler tools (cmake, ninja, g++)
#   sh scripts/setup.sh test      also GoogleTest, pexpect, GSL, libxlsxwriter,
#                                 CLI11, LibreOffice Calc, poppler-utils, MPFR
#                                 and time (build, sanitize, verify-math)
#   sh scripts/setup.sh fuzz      the compiler tools, clang and its fuzzer runtime
#   sh scripts/setup.sh bench     the compiler tools and Google Benchmark
#   sh scripts/setup.sh package   what test needs, dpkg, and what windows needs
#   sh scripts/setup.sh windows   the compiler tools, MinGW-w64, Wine and the
#                                 GoogleTest sources (the Windows cross build)
#   sh scripts/setup.sh wasm      the compiler tools, Emscripten, Node and the
#                                 GoogleTest sources (the WebAssembly build)
#   sh scripts/setup.sh all       everything above
#
# Without root and without sudo, or without apt-get, it prints what to
# install and fails. The cross toolchains come without the packages they
# only recommend (Wine's fonts, sound and graphics libraries, ...).
need=${1:-all}
missing=""
lean=""
want() { missing="$missing $1"; }
want_lean() { lean="$lean $1"; }

tools() {
  command -v cmake >/dev/null 2>&1 || want cmake
  command -v ninja >/dev/null 2>&1 || want ninja-build
  command -v g++ >/dev/null 2>&1 || want g++
}
tests() {
  [ -f /usr/include/gtest/gtest.h ] || want libgtest-dev
  python3 -c 'import pexpect' >/dev/null 2>&1 || want python3-pexpect
  # The instructor side: fits (GSL), workbooks (libxlsxwriter), its command
  # line (CLI11), and a real spreadsheet for the workbook tests.
  [ -f /usr/include/gsl/gsl_fit.h ] || want libgsl-dev
  [ -f /usr/include/xlsxwriter.h ] || want libxlsxwriter-dev
  [ -f /usr/include/CLI/CLI.hpp ] || want libcli11-dev
  command -v soffice >/dev/null 2>&1 || want libreoffice-calc-nogui
  command -v pdftoppm >/dev/null 2>&1 || want poppler-utils
  # The workbooks print in the metrics of their font; tests read xlsx parts with unzip.
  [ -f /usr/share/fonts/truetype/crosextra/Carlito-Regular.ttf ] || want fonts-crosextra-carlito
  command -v unzip >/dev/null 2>&1 || want unzip
  [ -f /usr/include/zlib.h ] || want zlib1g-dev
  # The reference of the elementary functions' tests and proof.
  [ -f /usr/include/mpfr.h ] || want libmpfr-dev
  [ -x /usr/bin/time ] || want time
}
fuzzer() {
  command -v clang++ >/dev/null 2>&1 || want clang
  [ -n "$(ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null)" ] || want libclang-rt-dev
}
benchmark() { [ -f /usr/include/benchmark/benchmark.h ] || want libbenchmark-dev; }
packager() { command -v dpkg-deb >/dev/null 2>&1 || want dpkg; }
gtest_sources() { [ -f /usr/src/googletest/googletest/CMakeLists.txt ] || want_lean googletest; }
windows() {
  gtest_sources
  command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || want_lean g++-mingw-w64-x86-64
  command -v wine >/dev/null 2>&1 || want_lean "wine wine64"
}
wasm() {
  gtest_sources
  command -v em++ >/dev/null 2>&1 || want_lean emscripten
  command -v node >/dev/null 2>&1 || want_lean nodejs
}

case "$need" in
  run) tools ;;
  test) tools; tests ;;
  fuzz) tools; fuzzer ;;
  bench) tools; benchmark ;;
  package) tools; tests; packager; windows ;;
  windows) tools; windows ;;
  wasm) tools; wasm ;;
  all) tools; tests; fuzzer; benchmark; packager; windows; wasm ;;
  *) echo "usage: sh scripts/setup.sh run|test|fuzz|bench|package|windows|wasm|all" >&2; exit 2 ;;
esac
[ -z "$missing$lean" ] && exit 0

line=""
[ -n "$missing" ] && line="apt-get install -y$missing"
[ -n "$lean" ] && line="${line:+$line && }apt-get install -y --no-install-recommends$lean"
if ! command -v apt-get >/dev/null 2>&1; then
  echo "missing:$missing$lean (Debian package names); install them, or see README.md for the plain cmake commands" >&2
  exit 1
fi
if [ "$(id -u)" = 0 ]; then
  sudo=""
elif command -v sudo >/dev/null 2>&1; then
  sudo="sudo"
else
  echo "missing:$missing$lean" >&2
  echo "as root, run:  apt-get update && $line" >&2
  exit 1
fi
echo "installing:$missing$lean"
$sudo apt-get update -qq || exit 1
if [ -n "$missing" ]; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing || exit 1
fi
if [ -n "$lean" ]; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $lean || exit 1
fi
