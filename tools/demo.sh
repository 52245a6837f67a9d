#!/usr/bin/env bash
# The demo: makes a few dBASE and FoxPro tables with deleted records, memos
# and indexes in a fresh folder, then maintains them with kxsorvel: packs
# them (the progress window is drawn when stderr is a terminal), regenerates
# indexes, changes a table's level there and back and another's language
# driver, and shows the tables before and after.
set -euo pipefail
bin=${KX_BIN:-build/release}
kx="$bin/cli/kxsorvel"
gen="$bin/tools/gentable"
dir=$(mktemp -d "${TMPDIR:-/tmp}/kxsorvel-demo.XXXXXX")

echo "kxSorvel $("$kx" --version) demo in $dir"
"$gen" "$dir/CUSTOMER.DBF" --level 3 --records 20000 --deleted 30 --memo --seed 1 \
  --lang DB437US0 --index CUSTNAME.NDX:UPPER\(NAME\)
"$gen" "$dir/ORDERS.DBF" --level 4 --records 50000 --deleted 45 --memo --seed 2 \
  --index NAME:UPPER\(NAME\) --index CUSTNO:CUSTNO
"$gen" "$dir/PARTS.DBF" --level 25 --records 5000 --deleted 10 --memo --seed 3 \
  --index CITY:CITY

summary() {
  printf '  %-14s %5s %-9s %8s %8s %10s  %s\n' table level driver records deleted bytes indexes
  for t in "$dir"/*.DBF; do
    "$kx" info --json "$t" | /usr/bin/python3 -c '
import json, sys, os
i = json.load(sys.stdin)
print("  %-14s %5d %-9s %8d %8d %10d  %s" % (os.path.basename(i["path"]), i["level"],
      i["language_driver"] or "-", i["records"], i["deleted"], i["bytes"],
      " ".join(os.path.basename(f) for f in i["index_files"]) or "-"))'
  done
}

step() { echo; echo "\$ kxsorvel $*"; "$kx" "$@"; }

echo
echo "Before:"
summary
for t in CUSTOMER ORDERS PARTS; do step pack --visible "$dir/$t.DBF"; done
step reindex --visible "$dir/ORDERS.DBF"
step set --visible "$dir/ORDERS.DBF" level 7
step set --visible "$dir/ORDERS.DBF" level 4
step set --visible "$dir/CUSTOMER.DBF" langdriver DB850US0
echo
echo "After:"
summary
echo
echo "What a failure looks like (a level the component does not offer):"
"$kx" set "$dir/PARTS.DBF" level 6 || true
echo
echo "The tables stay in $dir."
