#!/usr/bin/env bash
# Tables through a real spreadsheet, as a dealer takes them: every table of models 0 and 2
# (with names and MMSIs that spreadsheets like to rewrite) exported by kelda-cli, opened in
# LibreOffice Calc, saved back as CSV and imported again.
#   - exported as a workbook (--format xlsx) and saved as CSV in English and in German
#     (semicolons, decimal comma): every table comes back unchanged;
#   - exported as CSV, saved as .ods and then as CSV: a table comes back unchanged, or the
#     import refuses the values the spreadsheet rewrote, naming them, and saves nothing.
# Usage: scripts/spreadsheet-roundtrip.sh [path/to/kelda-cli]   (needs soffice: Debian's
# libreoffice-calc-nogui). Ends with "N passed, M failed" and status 1 on any failure.
set -euo pipefail
cli=$(realpath "${1:-build/bin/kelda-cli}")
command -v soffice >/dev/null || { echo "soffice not found (apt-get install libreoffice-calc-nogui)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
office() { soffice "-env:UserInstallation=file://$work/profile" --headless --norestore "$@" >/dev/null 2>&1; }
tables=(int usa can dsc wx free ind grp)
mkdir -p xlsx csv
start=$(date +%s)
for model in 0 2; do
  "$cli" new --model "$model" -o "m$model.kcf"
  # Names a spreadsheet takes for numbers, dates or formulas, and MMSIs with leading zeros.
  "$cli" set "m$model.kcf" \
    'CT_DscIndId.CL_DscIndId_Id[0]=211234560' 'CT_DscIndId.CL_DscIndId_Comment[0]=007' \
    'CT_DscIndId.CL_DscIndId_Id[1]=211234561' 'CT_DscIndId.CL_DscIndId_Comment[1]=1E5' \
    'CT_DscIndId.CL_DscIndId_Id[2]=211234562' 'CT_DscIndId.CL_DscIndId_Comment[2]=+5' \
    'CT_DscIndId.CL_DscIndId_Id[3]=211234563' 'CT_DscIndId.CL_DscIndId_Comment[3]=1.50' \
    'CT_DscIndId.CL_DscIndId_Id[4]=211234564' 'CT_DscIndId.CL_DscIndId_Comment[4]==1+1' \
    'CT_DscIndId.CL_DscIndId_Id[5]=211234565' 'CT_DscIndId.CL_DscIndId_Comment[5]=1/2' \
    'CT_DscIndId.CL_DscIndId_Id[6]=002570100' 'CT_DscIndId.CL_DscIndId_Comment[6]=COAST' \
    'CT_DscGrpId.CL_DscGrpId_Id[0]=023512345' 'CT_DscGrpId.CL_DscGrpId_Comment[0]=(1)'
  for t in "${tables[@]}"; do
    "$cli" export "m$model.kcf" --table "$t" --format xlsx -o "xlsx/m$model-$t.xlsx"
    "$cli" export "m$model.kcf" --table "$t" -o "csv/m$model-$t.csv"
  done
done
# Four runs of the spreadsheet, each over all the files.
office --convert-to csv --outdir xlsx-en xlsx/*.xlsx
office --convert-to 'csv:Text - txt - csv (StarCalc):59,34,76,1,,1031' --outdir xlsx-de xlsx/*.xlsx
office --infilter='CSV:44,34,76,1' --convert-to ods --outdir ods csv/*.csv
office --convert-to csv --outdir csv-back ods/*.ods
echo "LibreOffice: $(($(date +%s) - start)) s for the four runs"

passed=0
failed=0
check() {  # way model table csv
  local way=$1 model=$2 t=$3 in=$4
  cp "m$model.kcf" try.kcf
  local status=0
  "$cli" import try.kcf --table "$t" "$in" 2>err.txt || status=$?
  if ! "$cli" diff "m$model.kcf" try.kcf >diff.txt; then
    echo "FAIL $way model $model table $t: the import changed the file (status $status)"
    cat err.txt diff.txt
    failed=$((failed + 1))
  elif [ "$status" -ne 0 ] && { [ "$way" != csv ] || ! grep -q "a spreadsheet's rewrite" err.txt; }; then
    echo "FAIL $way model $model table $t: status $status"
    cat err.txt
    failed=$((failed + 1))
  else
    [ "$status" -eq 0 ] || echo "ok   $way model $model table $t: rewrites refused: $(grep -c "rewrite" err.txt)"
    passed=$((passed + 1))
  fi
}
for model in 0 2; do
  for t in "${tables[@]}"; do
    check xlsx-en "$model" "$t" "xlsx-en/m$model-$t.csv"
    check xlsx-de "$model" "$t" "xlsx-de/m$model-$t.csv"
    check csv "$model" "$t" "csv-back/m$model-$t.csv"
  done
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
