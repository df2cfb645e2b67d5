#!/usr/bin/env bash
# The no-op re-run: how long re-indexing an unchanged tree takes, and how many
# stat-family system calls it makes, for vedra, Xapian's omindex and recollindex.
#
#   bench/noop-bench.sh [--build BUILD_DIR] [--rounds N] [--work DIR] [--keep]
#                       [--also NAME=BINARY]... [--no-recoll] [FOLDER...]
#
#   FOLDER...     the trees (default /usr/share/doc /usr/include)
#   --build DIR   build folder holding src/cli/vedra (default: <repo>/build)
#   --rounds N    timed no-op rounds per tool, interleaved (default 7)
#   --work DIR    keep the three indexes in DIR and reuse them on the next run
#   --keep        keep the temporary folder (without --work)
#   --also NAME=BINARY  another vedra binary re-running the same archive (an older
#                 build, to compare before and after a change)
#   --no-recoll   leave recollindex out
#
# Each tool first indexes the trees in full (not timed; omindex and recollindex
# take minutes). Then every round runs each tool's no-op once, in turn, and the
# table gives the median and the fastest wall time. One more no-op of each tool
# runs under `strace -f -c`; its stat-family calls (stat, lstat, fstat,
# newfstatat, statx) are counted against the regular files and folders of the
# trees (`find -type f`, `find -type d`, as vedra walks them: links not followed).
# The tools and their options, as bench/search-bench.sh gives them:
#   vedra         `vedra index FOLDER` for each folder, in one archive, default filters
#   omindex       `omindex -p --db DB --url / PARENT NAME` for each folder, with
#                 .h .hpp .c .cpp .pas .bas .js .php and every name without a '.'
#                 read as text/plain (vedra reads those as text)
#   recollindex   `recollindex -c CONF`, topdirs = the folders, compressed files
#                 not opened, no aspell, types from `file --mime-type -b`,
#                 idxniceprio = 0 (it lowers its own priority otherwise)
set -euo pipefail

bench_name=noop-bench
usage_lines=15
source "$(dirname "$0")/bench-lib.sh"

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$root/build"
rounds=7
work=""
keep=0
recoll=1
folders=()
also_names=()
also_bins=()
while (($# > 0)); do
  case "$1" in
    --build) (($# >= 2)) || die "--build needs a folder"; build_dir=$2; shift ;;
    --rounds) (($# >= 2)) || die "--rounds needs a number"; rounds=$2; shift ;;
    --work) (($# >= 2)) || die "--work needs a folder"; work=$2; shift ;;
    --keep) keep=1 ;;
    --no-recoll) recoll=0 ;;
    --also)
      (($# >= 2)) || die "--also needs NAME=BINARY"
      [[ "$2" == *=* ]] || die "--also needs NAME=BINARY"
      also_names+=("${2%%=*}") also_bins+=("${2#*=}")
      [[ -x "${2#*=}" ]] || die "'${2#*=}' is not an executable"
      shift
      ;;
    -h | --help) usage ;;
    -*) die "unknown option '$1'" ;;
    *) folders+=("$(cd "$1" && pwd -P)") ;;
  esac
  shift
done
((${#folders[@]} > 0)) || folders=(/usr/share/doc /usr/include)
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || die "--rounds needs a positive number"

vedra="$build_dir/src/cli/vedra"
[[ -x "$vedra" ]] || die "no vedra binary at $vedra (build first)"
apt_install strace xapian-omega xapian-tools
((recoll)) && apt_install recoll
for tool in strace omindex; do command -v "$tool" >/dev/null || die "$tool not found"; done

if [[ -n "$work" ]]; then
  mkdir -p "$work"
  work=$(cd "$work" && pwd)
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/noop-bench.XXXXXX")
  cleanup() { if ((keep)); then echo "noop-bench: kept $work" >&2; else rm -rf "$work"; fi; }
  trap cleanup EXIT
fi
trap 'exit 130' INT TERM
mkdir -p "$work/logs"
now_ns() { date +%s%N; }

files=$(find "${folders[@]}" -type f | wc -l)
dirs=$(find "${folders[@]}" -type d | wc -l)
echo "Trees: ${folders[*]}: $files files, $dirs folders" >&2

# --- the full runs, once ---
# Every command of a tool goes through `traced`: under strace when `trace` names
# a file prefix (one counts file per command, summed afterwards).
trace=""
traced_count=0
traced() {
  if [[ -n "$trace" ]]; then
    traced_count=$((traced_count + 1))
    strace -f -c -o "$trace.$traced_count" "$@"
  else
    "$@"
  fi
}

ours="$work/vedra"
vedra_noop() {
  local binary=$1 folder
  for folder in "${folders[@]}"; do
    traced "$binary" --workdir "$ours" --lang en index "$folder" || return 1
  done
}
if [[ ! -f "$work/vedra.done" ]]; then
  echo "Indexing with vedra..." >&2
  rm -rf "$ours"
  "$vedra" --workdir "$ours" --lang en create bench >"$work/logs/vedra-create.log" 2>&1 ||
    die "vedra create failed (see $work/logs/vedra-create.log)"
  vedra_noop "$vedra" >"$work/logs/vedra-full.log" 2>&1 || die "vedra index failed (see $work/logs/vedra-full.log)"
  touch "$work/vedra.done"
fi

omdb="$work/omindex/db"
om=(omindex -p --db "$omdb" --url /)
for extension in h hpp c cpp pas bas js php; do om+=(-M "$extension:text/plain"); done
while IFS= read -r -d '' name; do
  [[ "$name" == *:* ]] && continue
  name=$(printf '%s' "$name" | sed 's/[][*?\\]/\\&/g')
  om+=(-G "$name:text/plain")
done < <(find "${folders[@]}" -type f ! -name '*.*' -printf '%f\0' | sort -zu)
omindex_run() {
  local folder
  for folder in "${folders[@]}"; do
    traced "${om[@]}" "$(dirname "$folder")" "$(basename "$folder")" || return 1
  done
}
if [[ ! -f "$work/omindex.done" ]]; then
  echo "Indexing with omindex (minutes)..." >&2
  rm -rf "$work/omindex"
  mkdir -p "$work/omindex"
  omindex_run >"$work/logs/omindex-full.log" 2>&1 || die "omindex failed (see $work/logs/omindex-full.log)"
  touch "$work/omindex.done"
fi

conf="$work/recoll"
recoll_run() { traced recollindex -c "$conf"; }
if ((recoll)) && [[ ! -f "$work/recoll.done" ]]; then
  echo "Indexing with recollindex (minutes)..." >&2
  rm -rf "$conf"
  mkdir -p "$conf"
  {
    echo "topdirs = ${folders[*]}"
    echo "compressedfilemaxkbs = 0"
    echo "noaspell = 1"
    echo "systemfilecommand = file --mime-type -b"
    echo "idxniceprio = 0"
  } >"$conf/recoll.conf"
  recoll_run >"$work/logs/recoll-full.log" 2>&1 || die "recollindex failed (see $work/logs/recoll-full.log)"
  touch "$work/recoll.done"
fi

# --- the tools' no-op commands, by name ---
names=(vedra)
for name in "${also_names[@]}"; do names+=("vedra-$name"); done
names+=(omindex)
((recoll)) && names+=(recoll)
run_tool() {
  local i
  case "$1" in
    vedra) vedra_noop "$vedra" ;;
    omindex) omindex_run ;;
    recoll) recoll_run ;;
    vedra-*)
      for i in "${!also_names[@]}"; do
        [[ "vedra-${also_names[$i]}" == "$1" ]] && vedra_noop "${also_bins[$i]}"
      done
      ;;
  esac
}

# One untimed no-op each, so that every round starts from the same state.
for name in "${names[@]}"; do run_tool "$name" >"$work/logs/$name-settle.log" 2>&1; done

declare -A times
for ((round = 1; round <= rounds; round++)); do
  echo "Round $round of $rounds..." >&2
  for name in "${names[@]}"; do
    start=$(now_ns)
    run_tool "$name" >"$work/logs/$name-noop.log" 2>&1 || die "$name no-op failed (see $work/logs/$name-noop.log)"
    end=$(now_ns)
    times[$name]+="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }') "
  done
done

declare -A stats others
for name in "${names[@]}"; do
  rm -f "$work/logs/$name.strace".*
  trace="$work/logs/$name.strace"
  run_tool "$name" >"$work/logs/$name-strace.log" 2>&1 || die "$name under strace failed"
  trace=""
  # strace -c rows: % time, seconds, usecs/call, calls, [errors,] syscall.
  summary=$(awk '$NF ~ /^[a-z_0-9]+$/ && $1 ~ /^[0-9.]+$/ { c[$NF] += $4 } END { for (k in c) print k, c[k] }' \
    "$work/logs/$name.strace".*)
  stats[$name]=$(awk '$1 ~ /^(stat|lstat|fstat|newfstatat|statx|stat64|lstat64|fstat64|fstatat64)$/ { n += $2 }
    END { print n + 0 }' <<<"$summary")
  others[$name]=$(awk '$1 ~ /^(openat|getdents64|access|faccessat|faccessat2|readlink)$/ {
      printf "%s%s %s", (k++ ? ", " : ""), $1, $2 }' <<<"$summary")
done

median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
fastest() { tr ' ' '\n' | sed '/^$/d' | sort -g | head -n 1; }

echo
echo "No-op re-run of ${folders[*]}: $files files, $dirs folders; $(nproc) CPUs; $rounds rounds"
printf '%-14s %10s %10s %12s %14s\n' tool "median s" "fastest s" "stat calls" "per file+folder"
declare -A med
for name in "${names[@]}"; do
  med[$name]=$(median <<<"${times[$name]}")
  printf '%-14s %10.3f %10.3f %12d %14.2f\n' "$name" "${med[$name]}" "$(fastest <<<"${times[$name]}")" \
    "${stats[$name]}" "$(awk -v s="${stats[$name]}" -v n=$((files + dirs)) 'BEGIN { print s / n }')"
done
peer=omindex
if ((recoll)) && awk -v a="${med[recoll]}" -v b="${med[omindex]}" 'BEGIN { exit !(a < b) }'; then peer=recoll; fi
echo
echo "vedra no-op / $peer no-op (the faster peer; aim <= 0.5): $(awk -v a="${med[vedra]}" -v b="${med[$peer]}" 'BEGIN { printf "%.2f", a / b }')"
echo "vedra stat calls - (files + folders) (aim <= a small constant): $((stats[vedra] - files - dirs))"
echo
echo "Other calls under strace:"
for name in "${names[@]}"; do echo "  $name: ${others[$name]}"; done
