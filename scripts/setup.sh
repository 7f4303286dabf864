#!/bin/sh
# Installs what one make target needs when it is missing (Debian):
#
#   sh scripts/setup.sh run       the compiler tools (cmake, ninja, g++)
#   sh scripts/setup.sh test      also GoogleTest, pexpect, GSL, libxlsxwriter,
#                                 CLI11, LibreOffice Calc, poppler-utils and time
#                                 (build, sanitize)
#   sh scripts/setup.sh fuzz      the compiler tools, clang and its fuzzer runtime
#   sh scripts/setup.sh bench     the compiler tools and Google Benchmark
#   sh scripts/setup.sh package   what test needs, and dpkg
#   sh scripts/setup.sh all       everything above
#
# Without root and without sudo, or without apt-get, it prints what to
# install and fails.
need=${1:-all}
missing=""
want() { missing="$missing $1"; }

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
  [ -x /usr/bin/time ] || want time
}
fuzzer() {
  command -v clang++ >/dev/null 2>&1 || want clang
  [ -n "$(ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null)" ] || want libclang-rt-dev
}
benchmark() { [ -f /usr/include/benchmark/benchmark.h ] || want libbenchmark-dev; }
packager() { command -v dpkg-deb >/dev/null 2>&1 || want dpkg; }

case "$need" in
  run) tools ;;
  test) tools; tests ;;
  fuzz) tools; fuzzer ;;
  bench) tools; benchmark ;;
  package) tools; tests; packager ;;
  all) tools; tests; fuzzer; benchmark; packager ;;
  *) echo "usage: sh scripts/setup.sh run|test|fuzz|bench|package|all" >&2; exit 2 ;;
esac
[ -z "$missing" ] && exit 0

line="apt-get install -y$missing"
if ! command -v apt-get >/dev/null 2>&1; then
  echo "missing:$missing (Debian package names); install them, or see README.md for the plain cmake commands" >&2
  exit 1
fi
if [ "$(id -u)" = 0 ]; then
  sudo=""
elif command -v sudo >/dev/null 2>&1; then
  sudo="sudo"
else
  echo "missing:$missing" >&2
  echo "as root, run:  apt-get update && $line" >&2
  exit 1
fi
echo "installing:$missing"
$sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
