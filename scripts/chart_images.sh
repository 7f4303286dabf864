#!/usr/bin/env bash
# The picture of each program's first chart in docs/images/<program>.png:
# the solution workbook of seeds 12345 67890 made by lab_instructor,
# printed to PDF by LibreOffice Calc and the first chart's page rendered
# by pdftoppm, 600 pixels wide (the chart fills its page).
#   bash scripts/chart_images.sh [BINDIR] [PROGRAM...]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/default/bin}
shift || true
tool="$bin/lab_instructor"
[ -x "$tool" ] || { echo "chart_images: no $tool; build first (make build)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs/images "$work/profile/user"
# A profile of its own that recalculates every formula on loading.
cat > "$work/profile/user/registrymodifications.xcu" <<'XCU'
<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse"><value>0</value></prop></item>
</oor:items>
XCU
programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then
  for f in */*_answers.cpp; do p=$(basename "$f" _answers.cpp)_gen; programs+=("$p"); done
fi
declare -A charts
for p in "${programs[@]}"; do
  line=$("$tool" workbook "$p" 12345 67890 "$work/$p.xlsx")
  charts[$p]=$(sed -n 's/.*(\([0-9]*\) charts*)$/\1/p' <<<"$line")
done
soffice -env:UserInstallation="file://$work/profile" --headless --norestore --convert-to pdf --outdir "$work" \
  "$work"/*.xlsx >/dev/null 2>&1
for p in "${programs[@]}"; do
  n=${charts[$p]}
  [ "${n:-0}" -gt 0 ] || { echo "chart_images: $p has no chart" >&2; continue; }
  pages=$(pdfinfo "$work/$p.pdf" | sed -n 's/^Pages: *//p')
  first=$((pages - n + 1))
  # The chart sheets come last, a landscape page each that the chart fills.
  pdftoppm -png -f "$first" -l "$first" -scale-to-x 600 -scale-to-y -1 -singlefile "$work/$p.pdf" "docs/images/$p"
  echo "docs/images/$p.png"
done
