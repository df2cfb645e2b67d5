#!/usr/bin/env bash
# How indexing and search cost grow with the tree: synthetic trees of 1x, 4x and
# 16x a base of 50,000 files (bench/scale-gen.py), each indexed by `vedra` with
# the default work buffers and with small ones, and by omindex and recollindex
# at the smaller sizes, then one table.
#
#   bench/scale-bench.sh [--sizes "1 4 16"] [--base N] [--peers "1 4"] [--small LIST]
#                        [--memory MB] [--runs N] [--seed S] [--work DIR] [--build DIR] [--keep]
#                        [--reuse]
#
#   --sizes LIST   multiples of --base to run (default "1 4 16")
#   --small LIST   sizes at which vedra also runs with small buffers (default: all;
#                  "" for none)
#   --base N       files of the 1x tree (default 50000)
#   --peers LIST   sizes at which omindex and recollindex run too (default "1 4";
#                  "" for none); packages xapian-omega, xapian-tools and recoll
#                  are installed with apt-get when missing
#   --memory MB    the small buffers: `vedra --memory MB` (default 64)
#   --runs N       timed runs of every query with every tool (default 20)
#   --seed S       the generator's seed (default 19)
#   --work DIR     trees and indexes go here (default: a temporary folder); a tree
#                  already there with the same size and seed is used again
#   --build DIR    build folder holding src/cli/vedra (default <repo>/build)
#   --keep         keep the work folder (trees included) instead of deleting it
#   --reuse        a vedra archive the script made before in --work for the same
#                  tree is searched again instead of being indexed anew (its full
#                  and no-op figures are then shown as "-")
#
# What is measured, for every tool, mode and size:
#   full s        wall time of a full run into a fresh index (nanosecond clock
#                 around /usr/bin/time -v)
#   us/file       full s / files in the tree, and CPU us/file (user + system of
#                 the run and its children, e.g. pdftotext): the CPU figure is the
#                 one to compare across sizes on a shared machine
#   no-op s       the same run again, nothing having changed
#   peak MB       "Maximum resident set size" of the full run (the largest of the
#                 process and its waited-for children)
#   index MB      du -sb of the archive folder / omindex's database / recoll's
#                 xapiandb
#   query ms      whole-process time of one query, median and p99 (nearest rank)
#                 over all runs of every query word: `vedra search WORD`,
#                 `quest -d DB -c 10000000 WORD`, `recollq -c CONF -E WORD`, each
#                 with its output to /dev/null; the words are the generator's
#                 words at ranks 5, 30, 200, 1000, 5000 and 20000 of the
#                 vocabulary (frequent to rare; see scale-gen.py)
#   lim20 ms      the same with `vedra search --limit 20 --count WORD` (the first
#                 20 rows and the exact count), median and p99
#   first ms      the window's first screen (build/bench/vedra_first_rows, offscreen):
#                 from the search's start until the result list's model has answered
#                 the texts of its first 40 rows (or all, when fewer), each search on
#                 an empty list, median and p99 over --runs runs of every query word
#   load          the 1-minute load average read before and after each full run
# vedra runs with --lang en and the default lists of a new archive; "small" adds
# --memory MB (the work buffers sized as if that much memory were free). The
# peers get the options bench/index-bench.sh gives them (see its header): omindex
# with the C sources and every name without a '.' as text/plain, recollindex with
# compressed files not opened, no aspell and `file --mime-type -b`, at normal
# priority (idxniceprio = 0, as bench/search-bench.sh runs it: its default nice
# level would measure the other load of a shared machine instead).
# Before each size's first run every file of the tree is read once (warm cache).
set -euo pipefail
((BASH_VERSINFO[0] >= 5)) || { echo "scale-bench: needs bash 5 (EPOCHREALTIME)" >&2; exit 1; }

bench_name=scale-bench
usage_lines=27
source "$(dirname "$0")/bench-lib.sh"

root=$(cd "$(dirname "$0")/.." && pwd)
sizes="1 4 16"
base=50000
peer_sizes="1 4"
small_sizes=unset
memory=64
runs=20
seed=19
work=""
keep=0
reuse=0
build_dir="$root/build"
while (($# > 0)); do
  case "$1" in
    --sizes | --base | --peers | --small | --memory | --runs | --seed | --work | --build)
      (($# >= 2)) || die "$1 needs a value"
      case "$1" in
        --sizes) sizes=$2 ;;
        --base) base=$2 ;;
        --peers) peer_sizes=$2 ;;
        --small) small_sizes=$2 ;;
        --memory) memory=$2 ;;
        --runs) runs=$2 ;;
        --seed) seed=$2 ;;
        --work) work=$2 ;;
        --build) build_dir=$2 ;;
      esac
      shift
      ;;
    --keep) keep=1 ;;
    --reuse) reuse=1 ;;
    -h | --help) usage ;;
    *) die "unknown argument '$1'" ;;
  esac
  shift
done
for value in "$base" "$memory" "$runs" "$seed"; do
  [[ "$value" =~ ^[0-9]+$ ]] || die "'$value' is not a number"
done
[[ "$small_sizes" == unset ]] && small_sizes=$sizes
for value in $sizes $peer_sizes $small_sizes; do
  [[ "$value" =~ ^[1-9][0-9]*$ ]] || die "size '$value' is not a positive number"
done

# The generator's words (dictionaries), the clock, the PDF converter.
apt_install wamerican witalian wspanish time poppler-utils
[[ -n "$peer_sizes" ]] && apt_install xapian-omega xapian-tools recoll

build_dir=$(mkdir -p "$build_dir" && cd "$build_dir" && pwd)
vedra="$build_dir/src/cli/vedra"
if [[ ! -x "$vedra" ]]; then
  echo "scale-bench: $vedra not found, building into $build_dir" >&2
  "$root/scripts/build" "$build_dir" >&2
fi
[[ -x "$vedra" ]] || die "no vedra binary at $vedra"

# A folder given with --work is the user's: what the runs made in it is removed
# as they go (unless --keep), the folder itself never.
made_work=0
if [[ -n "$work" ]]; then
  mkdir -p "$work"
  work=$(cd "$work" && pwd)
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/scale-bench.XXXXXX")
  made_work=1
fi
cleanup() {
  if ((keep || !made_work)); then
    echo "scale-bench: kept $work" >&2
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$work/logs"

now_ns() { date +%s%N; }
load1() { cut -d' ' -f1 /proc/loadavg; }

# timed NAME CMD...: T_WALL (s), T_RSS (MB), T_CPU (s), T_LOAD ("before-after").
timed() {
  local name=$1
  shift
  local log="$work/logs/$name.log" tv="$work/logs/$name.time"
  local start end status=0 before
  before=$(load1)
  start=$(now_ns)
  /usr/bin/time -v -o "$tv" "$@" >"$log" 2>&1 </dev/null || status=$?
  end=$(now_ns)
  if ((status != 0)); then
    echo "scale-bench: '$1 ...' failed with status $status; end of its log:" >&2
    tail -n 20 "$log" | cut -c1-300 >&2
    exit 1
  fi
  T_WALL=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
  T_RSS=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$tv")
  T_CPU=$(awk -F': ' '/User time/ { u = $2 } /System time/ { s = $2 } END { printf "%.2f", u + s }' "$tv")
  T_LOAD="$before-$(load1)"
}

# latency CMD...: runs CMD WORD for every query word, once untimed, then --runs
# rounds; sets Q_MED and Q_P99 (ms) over all samples.
latency() {
  local samples=() word t0 t1 i
  for word in "${query_words[@]}"; do
    "$@" "$word" >/dev/null 2>&1 || true
  done
  for ((i = 0; i < runs; ++i)); do
    for word in "${query_words[@]}"; do
      t0=$EPOCHREALTIME
      "$@" "$word" >/dev/null 2>&1 || true
      t1=$EPOCHREALTIME
      samples+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", (b - a) * 1000 }')")
    done
  done
  read -r Q_MED Q_P99 < <(printf '%s\n' "${samples[@]}" | sort -g | awk '
    { v[NR] = $1 }
    END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      r = int(0.99 * NR + 0.999999); if (r < 1) r = 1
      printf "%.2f %.2f\n", m, v[r]
    }')
}

dir_bytes() { du -sb "$1" | awk '{ printf "%.1f", $1 / 1048576 }'; }
per_file() { awk -v s="$1" -v n="$2" 'BEGIN { printf "%.0f", s * 1e6 / n }'; }

rows=()
# Each row also goes to standard error as soon as it is measured.
row() {
  rows+=("$(printf '%-8s %-7s %5s %8s %9s %8s %8s %9s %8s %9s %8s %8s %8s %8s %8s %8s %s' "$@")")
  echo "scale-bench: ${rows[-1]}" >&2
}

header=$(printf '%-8s %-7s %5s %8s %9s %8s %8s %9s %8s %9s %8s %8s %8s %8s %8s %8s %s' \
  tool mode size files "full s" "us/file" "CPU us/f" "no-op s" "peak MB" "index MB" "q med ms" "q p99 ms" \
  "lim20 md" "lim20 99" "first md" "first 99" "load")
first_rows="$build_dir/bench/vedra_first_rows"

for size in $sizes; do
  files=$((base * size))
  tree="$work/tree-${size}x"
  stamp="$tree.done"
  if [[ ! -f "$stamp" || "$(cat "$stamp")" != "$files $seed" ]]; then
    rm -rf "$tree" "$stamp"
    echo "scale-bench: writing the ${size}x tree ($files files)..." >&2
    python3 "$root/bench/scale-gen.py" "$tree" --files "$files" --seed "$seed" \
      --queries "$tree.queries" --roots "$root/resources/RadiciParole.txt" >"$work/logs/gen-${size}x.log"
    echo "$files $seed" >"$stamp"
  fi
  mapfile -t query_words < <(awk '{ print $2 }' "$tree.queries")
  ((${#query_words[@]} > 0)) || die "no query words for the ${size}x tree"
  tree_mb=$(dir_bytes "$tree")
  echo "scale-bench: ${size}x: $files files, $tree_mb MB; queries: ${query_words[*]}" >&2
  find "$tree" -type f -print0 | xargs -0 -r cat >/dev/null 2>&1 || true

  modes=(default)
  [[ " $small_sizes " == *" $size "* ]] && modes+=(small)
  for mode in "${modes[@]}"; do
    ours="$work/vedra-${size}x-$mode"
    opts=(--workdir "$ours" --lang en)
    [[ "$mode" == small ]] && opts+=(--memory "$memory")
    if ((reuse)) && [[ -f "$ours.indexed" && "$(cat "$ours.indexed")" == "$files $seed" ]]; then
      echo "scale-bench: vedra $mode ${size}x: the archive made before is searched again" >&2
      archive=$("$vedra" "${opts[@]}" info 2>/dev/null | sed -n 's/^Archive folder: //p')
      wall=- rss=- cpu=- load=- noop=-
    else
      rm -rf "$ours" "$ours.indexed"
      mkdir -p "$ours"
      "$vedra" "${opts[@]}" create scale >"$work/logs/create.log" 2>&1 || die "vedra create failed"
      archive=$("$vedra" "${opts[@]}" info 2>/dev/null | sed -n 's/^Archive folder: //p')
      "$vedra" "${opts[@]}" info >"$work/logs/vedra-${size}x-$mode.info" 2>&1 || true
      echo "scale-bench: vedra $mode ${size}x..." >&2
      timed "vedra-${size}x-$mode-full" "$vedra" "${opts[@]}" index "$tree"
      wall=$T_WALL rss=$T_RSS cpu=$T_CPU load=$T_LOAD
      timed "vedra-${size}x-$mode-noop" "$vedra" "${opts[@]}" index "$tree"
      noop=$T_WALL
      echo "$files $seed" >"$ours.indexed"
    fi
    latency "$vedra" "${opts[@]}" search
    q_med=$Q_MED q_p99=$Q_P99
    latency "$vedra" "${opts[@]}" search --limit 20 --count
    l_med=$Q_MED l_p99=$Q_P99
    f_med=- f_p99=-
    if [[ -x "$first_rows" ]]; then
      QT_QPA_PLATFORM=offscreen "$first_rows" --workdir "$ours" --runs "$runs" "${query_words[@]}" \
        >"$work/logs/first-rows-${size}x-$mode.log" 2>&1 || die "vedra_first_rows failed (see its log)"
      read -r f_med f_p99 < <(sed -n 's/.*median \([0-9.]*\) ms, p99 \([0-9.]*\) ms.*/\1 \2/p' \
        "$work/logs/first-rows-${size}x-$mode.log")
    fi
    # The archive's files, for how far each one is from the 32-bit limit.
    (cd "$archive" && for prefix in IND ORD PTH PAR LNK RCP; do
      stat -c "$prefix.=%s" "$prefix".*
    done | tr '\n' ' ') >"$work/logs/vedra-${size}x-$mode.files"
    per_wall=- per_cpu=-
    [[ "$wall" != - ]] && per_wall=$(per_file "$wall" "$files") && per_cpu=$(per_file "$cpu" "$files")
    row vedra "$mode" "${size}x" "$files" "$wall" "$per_wall" "$per_cpu" \
      "$noop" "$rss" "$(dir_bytes "$archive")" "$q_med" "$q_p99" "$l_med" "$l_p99" "$f_med" "$f_p99" "$load"
  done

  if [[ " $peer_sizes " == *" $size "* ]]; then
    echo "scale-bench: omindex ${size}x..." >&2
    omdb="$work/omindex-${size}x"
    rm -rf "$omdb"
    om=(omindex --db "$omdb" --url /)
    for extension in h hpp c cpp pas bas js php; do
      om+=(-M "$extension:text/plain")
    done
    while IFS= read -r -d '' name; do
      [[ "$name" == *:* ]] && continue
      om+=(-G "$(printf '%s' "$name" | sed 's/[][*?\\]/\\&/g'):text/plain")
    done < <(find "$tree" -type f ! -name '*.*' -printf '%f\0' | sort -zu)
    om+=("$tree")
    timed "omindex-${size}x-full" "${om[@]}"
    wall=$T_WALL rss=$T_RSS cpu=$T_CPU load=$T_LOAD
    timed "omindex-${size}x-noop" "${om[@]}"
    noop=$T_WALL
    latency quest -d "$omdb" -c 10000000
    row omindex - "${size}x" "$files" "$wall" "$(per_file "$wall" "$files")" "$(per_file "$cpu" "$files")" \
      "$noop" "$rss" "$(dir_bytes "$omdb")" "$Q_MED" "$Q_P99" - - - - "$load"

    echo "scale-bench: recollindex ${size}x..." >&2
    conf="$work/recoll-${size}x"
    rm -rf "$conf"
    mkdir -p "$conf"
    {
      echo "topdirs = $tree"
      echo "compressedfilemaxkbs = 0"
      echo "noaspell = 1"
      echo "systemfilecommand = file --mime-type -b"
      echo "idxniceprio = 0"
    } >"$conf/recoll.conf"
    timed "recoll-${size}x-full" recollindex -c "$conf"
    wall=$T_WALL rss=$T_RSS cpu=$T_CPU load=$T_LOAD
    timed "recoll-${size}x-noop" recollindex -c "$conf"
    noop=$T_WALL
    latency recollq -c "$conf" -E
    row recoll - "${size}x" "$files" "$wall" "$(per_file "$wall" "$files")" "$(per_file "$cpu" "$files")" \
      "$noop" "$rss" "$(dir_bytes "$conf/xapiandb")" "$Q_MED" "$Q_P99" - - - - "$load"
    rm -rf "$omdb" "$conf"
  fi
  # The archives stay for a look at them with --keep; a tree is the biggest part.
  ((keep)) || rm -rf "$tree"
done

echo
echo "$(nproc) CPUs; base $base files, seed $seed, small buffers --memory $memory; $runs runs per query word"
echo "$header"
printf '%s\n' "${rows[@]}"
echo
echo "Counters of the vedra runs:"
for log in "$work"/logs/vedra-*-full.log; do
  name=$(basename "$log" -full.log)
  printf '  %s: %s\n' "$name" "$(grep -E '^(Files indexed|Files with text indexed|Words indexed):' "$log" | tr '\n' ' ')"
done
echo "Archive file sizes (bytes):"
for sizes_file in "$work"/logs/vedra-*.files; do
  printf '  %s: %s\n' "$(basename "$sizes_file" .files)" "$(cat "$sizes_file")"
done
echo "Work buffers:"
for info in "$work"/logs/vedra-*.info; do
  printf '  %s: %s\n' "$(basename "$info" .info)" "$(grep -i -E 'buffer' "$info" | tr -s ' ' | tr '\n' ' ')"
done
