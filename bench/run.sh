#!/usr/bin/env bash
# The storage benchmark: one run prints one table.
#
# For each size (100,000 and 1,000,000 records by default) it generates
# tables with tools/gentable and times, each on a fresh copy of the table
# (copied and synced untimed):
#   pack            30% of the records deleted, without and with a memo file
#   level change    4 -> 7 and 4 -> 25 (the memo becomes an .fpt), with memo
#   language driver DB437US0 -> DBWINUS0, with memo
#   index rebuild   one character tag (NAME) and one numeric tag (BALANCE)
#   indexed pack    30% deleted, memo, a production .mdx with both tags
#                   (the pack rebuilds them), against the copy floor
# against:
#   floor    copying the table's files through a 1 MiB buffer, then fsync of
#            each copy (bench_op copy)
#   GDAL     ogrinfo T.dbf -sql "REPACK T" (no fsync; with a memo it clears
#            the memo flag and leaves the .dbt as it was), its start-up and
#            table open (ogrinfo -ro -so) subtracted
#   sort     LC_ALL=C sort (sort -n for the numeric tag) of the same keys,
#            one a line, from file to file
#   py-dbf   python3-dbf's pack(), quadratic: measured at 10,000 and 20,000
#            records beside our pack of the same tables; its time at the
#            benchmark sizes is extrapolated with the exponent fitted to
#            those two points (marked ~)
# Our operations run through bench/bench_op, one process each: seconds are
# wall time around the engine call, peak memory is that process's ru_maxrss.
# Short runs are repeated (RUNS, default 3) and the median taken; peak
# memory is the largest of the runs. Ratios are computed from this run only.
#
#   KX_BIN=build/release bench/run.sh [SIZE...]
# Environment: RUNS (3), TMPDIR (where tables are made; needs ~3 GB for
# 1,000,000 records), PYDBF_SIZES ("10000 20000"; empty skips python3-dbf).
set -euo pipefail
: "${KX_BIN:?set KX_BIN to a build folder (e.g. build/release)}"
sizes=("$@")
((${#sizes[@]})) || sizes=(100000 1000000)
runs=${RUNS:-3}
pydbf_sizes=${PYDBF_SIZES-"10000 20000"}
op="$KX_BIN/bench/bench_op"
gen="$KX_BIN/tools/gentable"
work=$(mktemp -d "${TMPDIR:-/tmp}/kxbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
started=$(date +%s)

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }
maximum() { printf '%s\n' "$@" | sort -g | tail -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (a == "" || b == "" || b <= 0) print "-"; else printf "%.2f", a / b }'; }

# fresh SRC_DIR STEM: a synced copy of STEM.* in $work/run; prints the
# copy's table path.
fresh() {
  rm -rf "$work/run"
  mkdir "$work/run"
  cp "$1/$2".* "$work/run/"
  sync "$work/run/"*
  echo "$work/run/$2.dbf"
}

# ours SRC_DIR STEM OP [ARGS...]: sets ours_s (median) and ours_kib (peak).
ours() {
  local dir=$1 stem=$2 what=$3 t s=() m=()
  shift 3
  for ((i = 0; i < runs; ++i)); do
    t=$(fresh "$dir" "$stem")
    read -r sec kib < <("$op" "$what" "$t" "$@")
    [ -z "${BENCH_VERBOSE:-}" ] || echo "  $stem $what $*: $sec s $kib KiB" >&2
    s+=("$sec")
    m+=("$kib")
  done
  ours_s=$(median "${s[@]}")
  ours_kib=$(maximum "${m[@]}")
}

# floor SRC_DIR STEM: sets floor_s, copying every STEM.* file.
floor() {
  local s=() sec kib
  for ((i = 0; i < runs; ++i)); do
    rm -rf "$work/floor"
    mkdir "$work/floor"
    read -r sec kib < <("$op" copy "$work/floor" "$1/$2".*)
    s+=("$sec")
  done
  rm -rf "$work/floor"
  floor_s=$(median "${s[@]}")
}

# gdal SRC_DIR STEM: sets gdal_s, REPACK minus ogrinfo's start-up and open.
gdal() {
  local t t0 s=() o=()
  for ((i = 0; i < runs; ++i)); do
    t=$(fresh "$1" "$2")
    t0=$(now)
    ogrinfo -ro -so "$t" "$2" >/dev/null
    o+=("$(awk -v a="$t0" -v b="$(now)" 'BEGIN{print b - a}')")
    t0=$(now)
    ogrinfo "$t" -sql "REPACK $2" >/dev/null
    s+=("$(awk -v a="$t0" -v b="$(now)" 'BEGIN{print b - a}')")
  done
  gdal_s=$(awk -v a="$(median "${s[@]}")" -v b="$(median "${o[@]}")" 'BEGIN{print a - b}')
}

# sorted KEYS_FILE [sort options]: sets sort_s.
sorted() {
  local keys=$1 t0 s=()
  shift
  for ((i = 0; i < runs; ++i)); do
    t0=$(now)
    LC_ALL=C sort "$@" -o "$keys.sorted" "$keys"
    s+=("$(awk -v a="$t0" -v b="$(now)" 'BEGIN{print b - a}')")
  done
  rm -f "$keys.sorted"
  sort_s=$(median "${s[@]}")
}

# python3-dbf's pack() of a table, timed inside Python (no start-up).
pydbf_pack() {
  /usr/bin/python3 - "$1" <<'EOF'
import sys, time, dbf
t = dbf.Table(sys.argv[1])
t.open(dbf.READ_WRITE)
t0 = time.perf_counter()
t.pack()
print("%.4f" % (time.perf_counter() - t0))
t.close()
EOF
}

rows=()
# row RECORDS OPERATION OURS KIB FLOOR GDAL PYDBF SORT
row() {
  rows+=("$(printf '%s|%s|%s|%s|%s|%s|%s|%s' "$@")")
}

# python3-dbf first: its fitted exponent extrapolates to the sizes below.
declare -A py_fit
if [ -n "$pydbf_sizes" ] && /usr/bin/python3 -c 'import dbf' 2>/dev/null; then
  for kind in plain memo; do
    pts=()
    for n in $pydbf_sizes; do
      d="$work/py$n"
      mkdir -p "$d"
      # python3-dbf reads no dBASE IV memo file: the memo table is level 3.
      if [ $kind = plain ]; then
        "$gen" "$d/PYP.dbf" --records "$n" --deleted 30 --seed 1
        stem=PYP
      else
        "$gen" "$d/PYM.dbf" --records "$n" --deleted 30 --memo --level 3 --seed 1
        stem=PYM
      fi
      sync
      t=$(fresh "$d" $stem)
      py=$(pydbf_pack "$t")
      ours "$d" $stem pack
      floor "$d" $stem
      row "$n" "pack, 30% deleted$([ $kind = memo ] && echo ', memo, level 3')" \
          "$ours_s" "$ours_kib" "$floor_s" "" "$py" ""
      pts+=("$n $py")
    done
    if ((${#pts[@]} >= 2)); then
      py_fit[$kind]=$(printf '%s\n' "${pts[@]}" | awk '{n[NR]=$1; t[NR]=$2}
        END{k=log(t[NR]/t[1])/log(n[NR]/n[1]); printf "%s %s %.3f", n[NR], t[NR], k}')
    fi
  done
fi
# py_extrapolate KIND RECORDS: python3-dbf's estimated seconds, or empty.
py_extrapolate() {
  [ -n "${py_fit[$1]:-}" ] || return 0
  awk -v n="$2" -v fit="${py_fit[$1]}" 'BEGIN{split(fit, f, " "); printf "~%.4g", f[2] * (n / f[1]) ^ f[3]}'
}

for n in "${sizes[@]}"; do
  d="$work/$n"
  mkdir -p "$d"
  "$gen" "$d/PLAIN.dbf" --records "$n" --deleted 30 --seed 1
  "$gen" "$d/MEMO.dbf" --records "$n" --deleted 30 --memo --seed 1
  "$gen" "$d/LANG.dbf" --records "$n" --deleted 30 --memo --seed 1 --lang DB437US0
  "$gen" "$d/CHARIX.dbf" --records "$n" --deleted 30 --seed 1
  "$gen" "$d/NUMIX.dbf" --records "$n" --deleted 30 --seed 1
  "$gen" "$d/INDEXED.dbf" --records "$n" --deleted 30 --memo --seed 1 \
         --index NAME:NAME --index BALANCE:BALANCE
  "$op" addindex "$d/CHARIX.dbf" NAME NAME >/dev/null
  "$op" addindex "$d/NUMIX.dbf" BALANCE BALANCE >/dev/null
  "$op" keys "$d/CHARIX.dbf" NAME "$d/name.keys" >/dev/null
  "$op" keys "$d/NUMIX.dbf" BALANCE "$d/balance.keys" >/dev/null
  sync  # gentable leaves its files to write-back, which must not run during the timings

  ours "$d" PLAIN pack; floor "$d" PLAIN; gdal "$d" PLAIN
  row "$n" "pack, 30% deleted" "$ours_s" "$ours_kib" "$floor_s" "$gdal_s" \
      "$(py_extrapolate plain "$n")" ""
  ours "$d" MEMO pack; floor "$d" MEMO; gdal "$d" MEMO
  row "$n" "pack, 30% deleted, memo" "$ours_s" "$ours_kib" "$floor_s" "$gdal_s" \
      "$(py_extrapolate memo "$n")" ""
  ours "$d" MEMO set LEVEL 7
  row "$n" "level 4 -> 7, memo" "$ours_s" "$ours_kib" "$floor_s" "" "" ""
  ours "$d" MEMO set LEVEL 25
  row "$n" "level 4 -> 25, memo to .fpt" "$ours_s" "$ours_kib" "$floor_s" "" "" ""
  ours "$d" LANG set LANGDRIVER DBWINUS0; floor "$d" LANG
  row "$n" "driver DB437US0 -> DBWINUS0, memo" "$ours_s" "$ours_kib" "$floor_s" "" "" ""
  ours "$d" CHARIX regen; floor "$d" CHARIX; sorted "$d/name.keys"
  row "$n" "index rebuild, C tag NAME" "$ours_s" "$ours_kib" "$floor_s" "" "" "$sort_s"
  ours "$d" NUMIX regen; floor "$d" NUMIX; sorted "$d/balance.keys" -n
  row "$n" "index rebuild, N tag BALANCE" "$ours_s" "$ours_kib" "$floor_s" "" "" "$sort_s"
  ours "$d" INDEXED pack; floor "$d" INDEXED
  row "$n" "pack, 30% deleted, memo, .mdx 2 tags" "$ours_s" "$ours_kib" "$floor_s" "" "" ""
  rm -rf "$d"
done

echo "kxSorvel storage benchmark: $(nproc) cores, $(awk -F': ' '/model name/{print $2; exit}' /proc/cpuinfo)," \
     "$(uname -sr), $(df -T "$work" | awk 'NR==2{print $2}') in ${TMPDIR:-/tmp}; runs=$runs (median)"
echo "times in seconds; 'x floor' = ours / floor; 'GDAL/ours' and 'py/ours' = how many times"
echo "slower the peer is; 'x sort' = ours / sort; ~ = extrapolated; load average at the end:" \
     "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-9s %-36s %8s %8s %8s %7s %8s %9s %9s %8s %7s %7s\n' records operation ours "peak MiB" \
       floor "x floor" GDAL GDAL/ours py-dbf py/ours sort "x sort"
for r in "${rows[@]}"; do
  IFS='|' read -r n what o kib f g p s <<<"$r"
  printf '%-9s %-36s %8s %8s %8s %7s %8s %9s %9s %8s %7s %7s\n' "$n" "$what" "$o" \
         "$(awk -v k="$kib" 'BEGIN{printf "%.1f", k / 1024}')" "${f:--}" "$(ratio "$o" "$f")" \
         "${g:--}" "$(ratio "$g" "$o")" "${p:--}" "$(ratio "${p#\~}" "$o")" "${s:--}" \
         "$(ratio "$o" "$s")"
done
echo "total $(($(date +%s) - started)) s"
