#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and runs one
# program from it with a scripted dialog.
set -euo pipefail
cd "$(dirname "$0")/.."
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
