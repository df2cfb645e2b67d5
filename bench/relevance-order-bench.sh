#!/usr/bin/env bash
# Times `vedra search WORDS --limit N --count` in the archive's order against the
# same search with `--order relevance`, on one archive of a real folder, and
# prints per query the medians, their ratio and the instructions of each process.
#
#   bench/relevance-order-bench.sh [--build BUILD_DIR] [--runs N] [--work DIR] [--limit N] [--folder DIR]
#
#   --build DIR   build folder with `vedra` (default: <repo>/build)
#   --runs N      timed runs of every query in every order (default 20)
#   --work DIR    keep the archive in DIR and reuse it when found (default: a
#                 temporary folder, removed at the end)
#   --limit N     rows printed (default 20)
#   --folder DIR  the folder indexed (default /usr/share/doc)
#
# Each query runs once untimed (warm page cache), then the two orders take turns
# for --runs rounds; a sample is the wall time of one whole process, output to
# /dev/null, from bash's EPOCHREALTIME. With valgrind installed, the instructions
# of one process of each (callgrind), which the machine's load does not change.
set -euo pipefail
((BASH_VERSINFO[0] >= 5)) || { echo "relevance-order-bench: needs bash 5 (EPOCHREALTIME)" >&2; exit 1; }

bench_name=relevance-order-bench
usage_lines=17
source "$(dirname "$0")/bench-lib.sh"

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$root/build"
runs=20
limit=20
work=""
folder=/usr/share/doc
while (($# > 0)); do
  case "$1" in
    --build) (($# >= 2)) || die "--build needs a folder"; build_dir=$2; shift ;;
    --runs) (($# >= 2)) || die "--runs needs a number"; runs=$2; shift ;;
    --work) (($# >= 2)) || die "--work needs a folder"; work=$2; shift ;;
    --limit) (($# >= 2)) || die "--limit needs a number"; limit=$2; shift ;;
    --folder) (($# >= 2)) || die "--folder needs a folder"; folder=$2; shift ;;
    -h | --help) usage ;;
    *) die "unknown argument '$1'" ;;
  esac
  shift
done
vedra="$build_dir/src/cli/vedra"
[[ -x $vedra ]] || die "no $vedra: build first"
if [[ -z $work ]]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
ours="$work/vedra"
if [[ ! -d $ours ]]; then
  mkdir -p "$ours"
  "$vedra" --workdir "$ours" --lang en create bench >/dev/null 2>&1 || die "vedra create failed"
  echo "Indexing $folder..." >&2
  "$vedra" --workdir "$ours" --lang en index "$folder" >"$work/index.log" 2>&1 || die "vedra index failed"
fi

queries=("license" "return" "printf" "socket" "inotify" "strtok" "socket bind" "mutex lock" "memcpy strlen"
  "free software" "gnu general public")

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
# Microseconds of one process.
timed() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1
  local end=$EPOCHREALTIME
  echo $(((${end/./} - ${start/./})))
}
instructions() {
  command -v valgrind >/dev/null || { echo "-"; return; }
  local out="$work/callgrind.out"
  valgrind --tool=callgrind --callgrind-out-file="$out" "$@" >/dev/null 2>&1 || { echo "-"; return; }
  awk '/^summary:/ { printf "%.2f M", $2 / 1e6 }' "$out"
  rm -f "$out"
}

printf '| query | rows | archive ms | relevance ms | ratio | archive instr. | relevance instr. | ratio |\n'
printf '|---|---:|---:|---:|---:|---:|---:|---:|\n'
for query in "${queries[@]}"; do
  read -r -a words <<<"$query"
  plain=("$vedra" --workdir "$ours" search "${words[@]}" --limit "$limit" --count)
  ranked=("${plain[@]}" --order relevance)
  rows=$("${plain[@]}" 2>/dev/null | tail -n 1)
  "${ranked[@]}" >/dev/null 2>&1 || true
  a=() r=()
  for ((i = 0; i < runs; i++)); do
    a+=("$(timed "${plain[@]}")")
    r+=("$(timed "${ranked[@]}")")
  done
  ma=$(printf '%s\n' "${a[@]}" | median)
  mr=$(printf '%s\n' "${r[@]}" | median)
  ia=$(instructions "${plain[@]}")
  ir=$(instructions "${ranked[@]}")
  ratio_i="-"
  [[ $ia != "-" && $ir != "-" ]] && ratio_i=$(awk -v x="${ia% M}" -v y="${ir% M}" 'BEGIN { printf "%.2f", y / x }')
  awk -v q="$query" -v n="$rows" -v a="$ma" -v r="$mr" -v ia="$ia" -v ir="$ir" -v ri="$ratio_i" \
    'BEGIN { printf "| %s | %s | %.2f | %.2f | %.2f | %s | %s | %s |\n", q, n, a / 1000, r / 1000, r / a, ia, ir, ri }'
done
