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
#   wb floor the same copy starting write-back of every 4 MiB written, as
#            our output streams do (bench_op copywb): the plain copy lets
#            hundreds of MiB of dirty pages pile up for its one fsync and is
#            then often throttled, so this is the stricter floor
#   GDAL     ogrinfo T.dbf -sql "REPACK T" (no fsync; with a memo it clears
#            the memo flag and leaves the .dbt as it was), minus its start-up
#            and table open (ogrinfo -ro -so) timed just before
#   sort     LC_ALL=C sort (sort -n for the numeric tag) of the same keys,
#            one a line, from file to file
#   py-dbf   python3-dbf's pack(), quadratic: measured once at 10,000 and
#            20,000 records beside our pack of the same tables; its time at
#            the benchmark sizes is extrapolated with the exponent fitted to
#            those two points (marked ~)
# Our operations run through bench/bench_op, one process each: seconds are
# wall time around the engine call, peak memory is that process's ru_maxrss.
# Each operation runs RUNS times (default 5), and each of its peers runs
# right after it in the same round, so that both meet the same machine
# state: the machine is shared and its speed drifts by a factor of two and
# more within a minute. A global sync (untimed) follows every timed command,
# so that none pays for the write-back or discards another left behind.
# Times are medians over the rounds; a ratio is the median of the rounds'
# ratios; peak memory is the largest of the rounds.
#
#   KX_BIN=build/release bench/run.sh [SIZE...]
# Environment: RUNS (5), TMPDIR (where tables are made; needs ~4 GB for
# 1,000,000 records), PYDBF_SIZES ("10000 20000"; empty skips python3-dbf),
# BENCH_VERBOSE (non-empty: every round on stderr).
set -euo pipefail
: "${KX_BIN:?set KX_BIN to a build folder (e.g. build/release)}"
sizes=("$@")
((${#sizes[@]})) || sizes=(100000 1000000)
runs=${RUNS:-5}
pydbf_sizes=${PYDBF_SIZES-"10000 20000"}
op="$KX_BIN/bench/bench_op"
gen="$KX_BIN/tools/gentable"
work=$(mktemp -d "${TMPDIR:-/tmp}/kxbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
started=$(date +%s)
load_start=$(cut -d' ' -f1-3 /proc/loadavg)

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN{print b - a}'; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }
maximum() { printf '%s\n' "$@" | sort -g | tail -1; }
div() { awk -v a="$1" -v b="$2" 'BEGIN{ if (b <= 0) print 0; else printf "%.4f", a / b }'; }

# fresh SRC_DIR STEM: a synced copy of STEM.* in $work/run; prints the
# copy's table path. The global sync also settles what the previous command
# left to the file system: the file system here is mounted with "discard",
# so the blocks of replaced and removed files are discarded at the next
# journal commit, which whoever syncs next would otherwise pay for.
fresh() {
  rm -rf "$work/run"
  mkdir "$work/run"
  cp "$1/$2".* "$work/run/"
  sync
  echo "$work/run/$2.dbf"
}

# Peers, each timing one round and printing seconds.
floor_once() {  # floor_once copy|copywb SRC_DIR STEM
  rm -rf "$work/floor"
  mkdir "$work/floor"
  "$op" "$1" "$work/floor" "$2/$3".* | cut -d' ' -f1
  rm -rf "$work/floor"
  sync
}
gdal_once() {  # gdal_once SRC_DIR STEM
  local t t0 open
  t=$(fresh "$1" "$2")
  t0=$(now)
  ogrinfo -ro -so "$t" "$2" >/dev/null
  open=$(since "$t0")
  t0=$(now)
  ogrinfo "$t" -sql "REPACK $2" >/dev/null
  awk -v a="$(since "$t0")" -v b="$open" 'BEGIN{print a - b}'
  sync
}
sort_once() {  # sort_once KEYS [sort options]
  local keys=$1 t0
  shift
  t0=$(now)
  LC_ALL=C sort "$@" -o "$keys.sorted" "$keys"
  since "$t0"
  rm -f "$keys.sorted"
}

# measure SRC_DIR STEM OP [ARGS...] with $peers a list of floor, gdal and
# sort (then $sort_args: KEYS [options]): RUNS rounds of our operation on a
# fresh copy followed by each peer ("floor" runs both floors). Sets ours_s,
# ours_kib and, for each peer P, P_s (median seconds) and P_x (median
# ratio: ours / floor, ours / wb floor, GDAL / ours, ours / sort).
measure() {
  local dir=$1 stem=$2 what=$3 t sec kib p v
  shift 3
  local s=() m=() fs=() fx=() ws=() wx=() gs=() gx=() ss=() sx=()
  for ((i = 0; i < runs; ++i)); do
    t=$(fresh "$dir" "$stem")
    read -r sec kib < <("$op" "$what" "$t" "$@")
    sync
    s+=("$sec")
    m+=("$kib")
    local line="  $stem $what $*: $sec s $kib KiB"
    for p in $peers; do
      case $p in
        floor)
          v=$(floor_once copy "$dir" "$stem"); fs+=("$v"); fx+=("$(div "$sec" "$v")")
          line+=", floor $v s"
          v=$(floor_once copywb "$dir" "$stem"); ws+=("$v"); wx+=("$(div "$sec" "$v")")
          p="wb floor" ;;
        gdal)
          command -v ogrinfo >/dev/null || continue  # gdal-bin is in ./run's package list
          v=$(gdal_once "$dir" "$stem"); gs+=("$v"); gx+=("$(div "$v" "$sec")") ;;
        sort) v=$(sort_once $sort_args); ss+=("$v"); sx+=("$(div "$sec" "$v")") ;;
      esac
      line+=", $p $v s"
    done
    [ -z "${BENCH_VERBOSE:-}" ] || echo "$line" >&2
  done
  ours_s=$(median "${s[@]}")
  ours_kib=$(maximum "${m[@]}")
  floor_s=; floor_x=; wb_s=; wb_x=; gdal_s=; gdal_x=; sort_s=; sort_x=
  if ((${#fs[@]})); then floor_s=$(median "${fs[@]}"); floor_x=$(median "${fx[@]}"); fi
  if ((${#ws[@]})); then wb_s=$(median "${ws[@]}"); wb_x=$(median "${wx[@]}"); fi
  if ((${#gs[@]})); then gdal_s=$(median "${gs[@]}"); gdal_x=$(median "${gx[@]}"); fi
  if ((${#ss[@]})); then sort_s=$(median "${ss[@]}"); sort_x=$(median "${sx[@]}"); fi
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
# row RECORDS OPERATION PY_SECONDS: one line of the table from measure's
# results (and python3-dbf's time, possibly "~" extrapolated).
row() {
  local py=${3:-} py_x=
  [ -z "$py" ] || py_x=$(div "${py#\~}" "$ours_s")
  rows+=("$1|$2|$ours_s|$ours_kib|$floor_s|$floor_x|$wb_s|$wb_x|$gdal_s|$gdal_x|$py|$py_x|$sort_s|$sort_x")
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
      py=$(pydbf_pack "$(fresh "$d" $stem)")
      peers="floor" measure "$d" $stem pack
      row "$n" "pack, 30% deleted$([ $kind = memo ] && echo ', memo, level 3')" "$py"
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
  "$gen" "$d/CHARIX.dbf" --records "$n" --deleted 30 --seed 1 --index NAME:NAME
  "$gen" "$d/NUMIX.dbf" --records "$n" --deleted 30 --seed 1 --index BALANCE:BALANCE
  "$gen" "$d/INDEXED.dbf" --records "$n" --deleted 30 --memo --seed 1 \
         --index NAME:NAME --index BALANCE:BALANCE
  "$op" keys "$d/CHARIX.dbf" NAME "$d/name.keys" >/dev/null
  "$op" keys "$d/NUMIX.dbf" BALANCE "$d/balance.keys" >/dev/null
  sync  # gentable leaves its files to write-back, which must not run during the timings

  peers="floor gdal" measure "$d" PLAIN pack
  row "$n" "pack, 30% deleted" "$(py_extrapolate plain "$n")"
  peers="floor gdal" measure "$d" MEMO pack
  row "$n" "pack, 30% deleted, memo" "$(py_extrapolate memo "$n")"
  peers="floor" measure "$d" MEMO set LEVEL 7
  row "$n" "level 4 -> 7, memo"
  peers="floor" measure "$d" MEMO set LEVEL 25
  row "$n" "level 4 -> 25, memo to .fpt"
  peers="floor" measure "$d" LANG set LANGDRIVER DBWINUS0
  row "$n" "driver DB437US0 -> DBWINUS0, memo"
  peers="floor sort" sort_args="$d/name.keys" measure "$d" CHARIX regen
  row "$n" "index rebuild, C tag NAME"
  peers="floor sort" sort_args="$d/balance.keys -n" measure "$d" NUMIX regen
  row "$n" "index rebuild, N tag BALANCE"
  peers="floor" measure "$d" INDEXED pack
  row "$n" "pack, 30% deleted, memo, .mdx 2 tags"
  rm -rf "$d"
done

echo "kxSorvel storage benchmark: $(nproc) cores, $(awk -F': ' '/model name/{print $2; exit}' /proc/cpuinfo)," \
     "$(uname -sr), $(df -T "$work" | awk 'NR==2{print $2}') in ${TMPDIR:-/tmp}; $runs rounds"
echo "times in seconds (medians); 'x floor' = ours / floor (plain copy + fsync), 'x wb' = ours /"
echo "wb floor (the copy starting write-back as it goes), 'GDAL/ours' and 'py/ours' = how many times"
echo "slower the peer is, 'x sort' = ours / sort (medians of the rounds' ratios); ~ = extrapolated"
echo "load average at the start: $load_start; at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
fmt='%-8s %-36s %7s %8s %7s %7s %8s %5s %7s %9s %8s %8s %7s %6s\n'
printf "$fmt" records operation ours "peak MiB" floor "x floor" "wb floor" "x wb" GDAL GDAL/ours \
       py-dbf py/ours sort "x sort"
for r in "${rows[@]}"; do
  IFS='|' read -r n what o kib f fx w wx g gx p px s sx <<<"$r"
  num() { [ -n "$1" ] && awk -v v="$1" -v f="$2" 'BEGIN{printf f, v}' || echo -; }
  printf "$fmt" "$n" "$what" "$(num "$o" %.4f)" "$(num "$kib" %.0f | awk '{printf "%.1f", $1 / 1024}')" \
         "$(num "$f" %.4f)" "$(num "$fx" %.2f)" "$(num "$w" %.4f)" "$(num "$wx" %.2f)" \
         "$(num "$g" %.4f)" "$(num "$gx" %.1f)" \
         "${p:--}" "$(num "$px" %.0f)" "$(num "$s" %.4f)" "$(num "$sx" %.2f)"
done
echo "total $(($(date +%s) - started)) s"
