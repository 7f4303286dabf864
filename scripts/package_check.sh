#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and runs one
# program from it with a scripted dialog. Then the Windows zip of the
# eighteen programs (from build/windows, whose programs make package has
# built): unzipped, every program imports no DLL beyond Windows' own, and
# one runs under Wine, in the unzipped folder, with the same dialog.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
build=build/default
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/package/*.deb | head -n 1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
count=$(ls "$root"/usr/bin/*_gen | wc -l)
if [ "$count" -ne "$(ls "$build"/bin/*_gen | wc -l)" ]; then
  echo "package holds $count programs"; exit 1
fi
(cd "$root" && printf 'out.csv\nJane Doe\n12345\n67890\nx\n' | "$root"/usr/bin/vapor_pressure_gen >/dev/null)
cmp "$root/out.csv" tests/data/expected/vapor_pressure_gen/12345_67890.csv
echo "package $(basename "$deb"): $count programs; vapor_pressure_gen from it writes the expected data set"

windows=build/windows
(cd "$windows" && cpack -G ZIP >/dev/null)
zip=$(realpath "$(ls "$windows"/package/*.zip | head -n 1)")
mkdir "$root/windows"
(cd "$root/windows" && cmake -E tar xf "$zip")
folder=$(ls -d "$root"/windows/*/)
count=$(ls "$folder"*_gen.exe | wc -l)
if [ "$count" -ne 18 ] || [ ! -f "$folder/README.txt" ]; then
  echo "the zip holds $count programs$([ -f "$folder/README.txt" ] || echo ' and no README.txt')"; exit 1
fi
# Windows' own DLLs only: the C runtime every Windows has and the kernel.
for exe in "$folder"*_gen.exe; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }' | sort -u | tr '\n' ' ')
  if [ "$dlls" != "KERNEL32.dll msvcrt.dll " ]; then
    echo "$(basename "$exe") imports $dlls"; exit 1
  fi
done
export WINEPREFIX=$here/$windows/wineprefix
(cd "$folder" && printf 'out.csv\r\nJane Doe\r\n12345\r\n67890\r\nx\r\n' |
  "$here/scripts/wine_run.sh" ./vapor_pressure_gen.exe >/dev/null)
wineserver -w 2>/dev/null || true
cmp "$folder/out.csv" tests/data/expected/vapor_pressure_gen/12345_67890.csv
echo "package $(basename "$zip") ($(du -k "$zip" | cut -f1) KB): $count programs importing KERNEL32.dll and msvcrt.dll only; vapor_pressure_gen.exe from it writes the expected data set"
