#!/usr/bin/env bash
# The demo: makes a few dBASE tables with deleted records and memos in a
# fresh folder, shows them, packs them with the progress window drawn in the
# terminal, and shows them again.
set -euo pipefail
bin=${KX_BIN:-build/release}
kx="$bin/cli/kxsorvel"
gen="$bin/tools/gentable"
dir=$(mktemp -d "${TMPDIR:-/tmp}/kxsorvel-demo.XXXXXX")

echo "kxSorvel $("$kx" --version) demo in $dir"
"$gen" "$dir/CUSTOMER.DBF" --level 3 --records 20000 --deleted 30 --memo --seed 1
"$gen" "$dir/ORDERS.DBF" --level 4 --records 50000 --deleted 45 --memo --seed 2
"$gen" "$dir/PARTS.DBF" --level 3 --records 5000 --deleted 10 --seed 3

summary() {
  printf '  %-14s %9s %9s %12s\n' table records deleted bytes
  for t in "$dir"/*.DBF; do
    "$kx" info --json "$t" | /usr/bin/python3 -c '
import json, sys, os
i = json.load(sys.stdin)
print("  %-14s %9d %9d %12d" % (os.path.basename(i["path"]), i["records"], i["deleted"], i["bytes"]))'
  done
}

echo
echo "Before:"
summary
echo
for t in "$dir"/*.DBF; do
  echo "Packing $(basename "$t") ..."
  "$kx" pack --visible "$t"
done
echo
echo "After:"
summary
echo
echo "Details of one table:"
"$kx" info "$dir/ORDERS.DBF"
echo
echo "The tables stay in $dir."
