#!/bin/sh
# Installs what the build and the tests need when it is missing (Debian).
missing=""
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v ninja >/dev/null 2>&1 || missing="$missing ninja-build"
command -v g++ >/dev/null 2>&1 || missing="$missing g++"
[ -f /usr/include/gtest/gtest.h ] || missing="$missing libgtest-dev"
python3 -c 'import pexpect' >/dev/null 2>&1 || missing="$missing python3-pexpect"
command -v clang++ >/dev/null 2>&1 || missing="$missing clang"
[ -n "$(ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null)" ] || missing="$missing libclang-rt-dev"
command -v dpkg-deb >/dev/null 2>&1 || missing="$missing dpkg"
[ -f /usr/include/benchmark/benchmark.h ] || missing="$missing libbenchmark-dev"
# The instructor side: fits (GSL), workbooks (libxlsxwriter), its command
# line (CLI11), and a real spreadsheet for the workbook tests.
[ -f /usr/include/gsl/gsl_fit.h ] || missing="$missing libgsl-dev"
[ -f /usr/include/xlsxwriter.h ] || missing="$missing libxlsxwriter-dev"
[ -f /usr/include/CLI/CLI.hpp ] || missing="$missing libcli11-dev"
command -v soffice >/dev/null 2>&1 || missing="$missing libreoffice-calc-nogui"
command -v pdftoppm >/dev/null 2>&1 || missing="$missing poppler-utils"
[ -z "$missing" ] && exit 0
echo "installing:$missing"
if [ "$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
