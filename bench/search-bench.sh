#!/usr/bin/env bash
# Times searches over one index of /usr/share/doc and /usr/include with `vedra`
# and with two peer search tools from Debian (Xapian's quest over an omindex
# database, and recollq over a recollindex index), then prints one table.
#
#   bench/search-bench.sh [--build BUILD_DIR] [--runs N] [--work DIR] [--limit N] [--no-recoll] [--keep]
#
#   --build DIR   build folder (default: <repo>/build); vedra and the in-process
#                 benchmark are built there (Release, -DVEDRA_BUILD_BENCH=ON) when
#                 missing
#   --runs N      timed runs of every query with every tool (default 30)
#   --work DIR    keep the indexes in DIR and reuse those found there (an index is
#                 made again only when missing); default: a temporary folder
#   --limit N     list only the first N results with every tool (vedra `--limit N
#                 --count`, quest `-m N`, recollq `-n N`); the default lists all of
#                 vedra's rows, quest's 10 best and recollq's first 2000
#   --no-recoll   leave recollindex and recollq out (its index takes minutes)
#   --keep        keep the temporary folder (indexes, logs) and print it
#
# What is measured:
#   whole process   wall time of one process answering one query, output to
#                   /dev/null, from bash's EPOCHREALTIME (microseconds) read around
#                   it: reading `date +%s%N` would add the start of a `date`
#                   process (about 1 ms here) to every sample:
#                     vedra    `vedra --workdir W search WORDS [--or]` -- every
#                              matching document is listed, as the result list
#                              shows it; with --limit N, `... --limit N --count`:
#                              the first N rows and the exact number found
#                     quest    `quest -d DB -c 10000000 [-m N] [-o and] 'WORDS'`:
#                              its default listing (the 10 best matches, N with
#                              --limit) and, with -c, the exact match count
#                              instead of an estimate
#                     recollq  `recollq -c CONF -E [-n N] -a|-o WORDS`: its default
#                              listing (type, URL, title and size of up to 2000
#                              matches, N with --limit), -E for the exact count,
#                              -a all words (AND), -o any word (OR)
#                   Every index file is first dropped from the page cache and
#                   read back whole, then each query runs once untimed (warm
#                   page cache), then the tools take turns for --runs rounds,
#                   with one /bin/true per round as the harness's floor. Median
#                   and 99th percentile (nearest rank) are over all runs of all
#                   queries of a kind.
#   in process      `vedra_search_bench` (bench/SearchBench.cpp): SearchRun's
#                   RunSearch on the same archive and queries, without process
#                   start-up and exit (the window's cost of a search)
#   results         documents each tool reports for the query: vedra's rows,
#                   quest's "Exactly N matches", recollq's exact result count
#
# What each tool indexes (the same two folders; see index-bench.sh for the details
# of these options):
#   vedra         `vedra index /usr/share/doc`, then `vedra index /usr/include`,
#                 into archive "bench" of a fresh working folder, default filters
#   omindex       `omindex -p --db DB --url / /usr share/doc`, then the same with
#                 `include`, with .h .hpp .c .cpp .pas .bas .js .php and every
#                 name without a '.' read as text/plain (vedra reads those as text)
#   recollindex   topdirs = /usr/share/doc /usr/include, compressed files not
#                 opened, no aspell, file types from `file --mime-type -b`, run at
#                 normal priority (idxniceprio = 0)
# The tools do not index exactly the same words (quest and recollq stem English
# words, vedra cuts words at 16 letters and skips its stop words), so result
# counts differ; the counts column shows by how much.
set -euo pipefail
((BASH_VERSINFO[0] >= 5)) || { echo "search-bench: needs bash 5 (EPOCHREALTIME)" >&2; exit 1; }

bench_name=search-bench
usage_lines=15
source "$(dirname "$0")/bench-lib.sh"

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$root/build"
runs=30
limit=""
recoll=1
work=""
keep=0
while (($# > 0)); do
  case "$1" in
    --build)
      (($# >= 2)) || die "--build needs a folder"
      build_dir=$2
      shift
      ;;
    --runs)
      (($# >= 2)) || die "--runs needs a number"
      runs=$2
      shift
      ;;
    --work)
      (($# >= 2)) || die "--work needs a folder"
      work=$2
      shift
      ;;
    --limit)
      (($# >= 2)) || die "--limit needs a number"
      limit=$2
      shift
      ;;
    --no-recoll) recoll=0 ;;
    --keep) keep=1 ;;
    -h | --help) usage ;;
    *) die "unknown argument '$1'" ;;
  esac
  shift
done
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || die "--runs needs a positive number"
[[ -z "$limit" || "$limit" =~ ^[1-9][0-9]*$ ]] || die "--limit needs a positive number"
folders=(/usr/share/doc /usr/include)
for folder in "${folders[@]}"; do
  [[ -d "$folder" ]] || die "$folder is missing"
done

# The queries: frequent, medium and rare single words, then word pairs run as AND
# and as OR. Every word is in both folders' text and in vedra's word roots.
singles=(license return printf socket inotify strtok)
pairs=("socket bind" "mutex lock" "memcpy strlen")

if ((recoll)); then apt_install xapian-omega xapian-tools recoll; else apt_install xapian-omega xapian-tools; fi
peers=(omindex quest)
if ((recoll)); then peers+=(recollindex recollq); fi
for tool in "${peers[@]}"; do
  command -v "$tool" >/dev/null || die "$tool not found after installing the peer packages"
done

# --- our binaries ---
build_dir=$(mkdir -p "$build_dir" && cd "$build_dir" && pwd)
vedra="$build_dir/src/cli/vedra"
inproc="$build_dir/bench/vedra_search_bench"
if [[ ! -x "$vedra" || ! -x "$inproc" ]]; then
  echo "search-bench: building vedra and vedra_search_bench in $build_dir" >&2
  if [[ ! -f "$build_dir/CMakeCache.txt" ]]; then
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEDRA_BUILD_UI=OFF \
      -DVEDRA_BUILD_BENCH=ON >&2
  fi
  cmake --build "$build_dir" --target vedra vedra_search_bench >&2
fi
[[ -x "$vedra" && -x "$inproc" ]] || die "vedra or vedra_search_bench missing in $build_dir (configure with -DVEDRA_BUILD_BENCH=ON)"

# --- work folder ---
if [[ -n "$work" ]]; then
  mkdir -p "$work"
  work=$(cd "$work" && pwd)
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/search-bench.XXXXXX")
  cleanup() {
    if ((keep)); then
      echo "search-bench: kept $work" >&2
    else
      rm -rf "$work"
    fi
  }
  trap cleanup EXIT
fi
trap 'exit 130' INT TERM
mkdir -p "$work/logs"
now_ns() { date +%s%N; }
ms_since() { awk -v a="$1" -v b="$(now_ns)" 'BEGIN { printf "%.1f", (b - a) / 1e6 }'; }

# --- indexes ---
ours="$work/vedra"
if [[ ! -f "$work/vedra.done" ]]; then
  echo "Indexing with vedra..." >&2
  rm -rf "$ours"
  start=$(now_ns)
  "$vedra" --workdir "$ours" --lang en create bench >"$work/logs/vedra-create.log" 2>&1 ||
    { cat "$work/logs/vedra-create.log" >&2; die "vedra create failed"; }
  for folder in "${folders[@]}"; do
    "$vedra" --workdir "$ours" --lang en index "$folder" >>"$work/logs/vedra-index.log" 2>&1 ||
      { tail -n 20 "$work/logs/vedra-index.log" >&2; die "vedra index $folder failed"; }
  done
  echo "  vedra: $(ms_since "$start") ms" >&2
  touch "$work/vedra.done"
fi

omdb="$work/omindex/db"
if [[ ! -f "$work/omindex.done" ]]; then
  echo "Indexing with omindex..." >&2
  rm -rf "$work/omindex"
  mkdir -p "$work/omindex"
  om=(omindex -p --db "$omdb" --url /)
  for extension in h hpp c cpp pas bas js php; do
    om+=(-M "$extension:text/plain")
  done
  while IFS= read -r -d '' name; do
    [[ "$name" == *:* ]] && continue
    name=$(printf '%s' "$name" | sed 's/[][*?\\]/\\&/g')
    om+=(-G "$name:text/plain")
  done < <(find "${folders[@]}" -type f ! -name '*.*' -printf '%f\0' | sort -zu)
  start=$(now_ns)
  "${om[@]}" /usr share/doc >"$work/logs/omindex.log" 2>&1 || die "omindex failed (see $work/logs/omindex.log)"
  "${om[@]}" /usr include >>"$work/logs/omindex.log" 2>&1 || die "omindex failed (see $work/logs/omindex.log)"
  echo "  omindex: $(ms_since "$start") ms" >&2
  touch "$work/omindex.done"
fi

conf="$work/recoll"
if ((recoll)) && [[ ! -f "$work/recoll.done" ]]; then
  echo "Indexing with recollindex..." >&2
  rm -rf "$conf"
  mkdir -p "$conf"
  {
    echo "topdirs = ${folders[*]}"
    echo "compressedfilemaxkbs = 0"
    echo "noaspell = 1"
    echo "systemfilecommand = file --mime-type -b"
    # recollindex lowers its own priority to 19 by default: on a busy machine it
    # then barely runs. Its indexing is not what is measured here.
    echo "idxniceprio = 0"
  } >"$conf/recoll.conf"
  start=$(now_ns)
  recollindex -c "$conf" >"$work/logs/recollindex.log" 2>&1 || die "recollindex failed (see $work/logs/recollindex.log)"
  echo "  recollindex: $(ms_since "$start") ms" >&2
  touch "$work/recoll.done"
fi

# --- queries: kind, words ---
kinds=() texts=()
for word in "${singles[@]}"; do kinds+=(single) texts+=("$word"); done
for pair in "${pairs[@]}"; do kinds+=(and) texts+=("$pair"); done
for pair in "${pairs[@]}"; do kinds+=(or) texts+=("$pair"); done
tools=(vedra quest)
if ((recoll)); then tools+=(recollq); fi

# command TOOL KIND WORDS: sets CMD to the argument vector of one query.
command_for() {
  local tool=$1 kind=$2 words=$3
  local -a split
  read -r -a split <<<"$words"
  case "$tool" in
    vedra)
      CMD=("$vedra" --workdir "$ours" search "${split[@]}")
      if [[ "$kind" == or ]]; then CMD+=(--or); fi
      if [[ -n "$limit" ]]; then CMD+=(--limit "$limit" --count); fi
      ;;
    quest)
      CMD=(quest -d "$omdb" -c 10000000)
      if [[ -n "$limit" ]]; then CMD+=(-m "$limit"); fi
      if [[ "$kind" != or ]]; then CMD+=(-o and); fi
      CMD+=("$words")
      ;;
    recollq)
      CMD=(recollq -c "$conf" -E)
      if [[ -n "$limit" ]]; then CMD+=(-n "$limit"); fi
      if [[ "$kind" == or ]]; then CMD+=(-o); else CMD+=(-a); fi
      CMD+=("${split[@]}")
      ;;
  esac
}

# count TOOL OUTPUT_FILE: the result count the tool printed.
count_of() {
  case "$1" in
    vedra) if [[ -n "$limit" ]]; then tail -n 1 "$2"; else wc -l <"$2" | tr -d ' '; fi ;;
    quest) sed -n 's/^Exactly \([0-9]*\) matches.*/\1/p; s/^About \([0-9]*\) matches.*/~\1/p' "$2" | head -n 1 ;;
    recollq) sed -n 's/^\([0-9][0-9]*\) results.*/\1/p' "$2" | head -n 1 ;;
  esac
}

# The indexes are read back into the page cache the same way before timing. How a
# file's pages sit in the cache depends on its history: pages of an index left
# idle are paged out one by one (the test machine's kernel reclaims idle cache)
# and come back one at a time, and reading them all then costs up to twice what
# it costs after one sequential read, as after a restart (license: 12.6 ms
# against 9.7 ms). Both tools' files are written out, dropped
# from the cache (dd's nocache) and read whole, so neither keeps an advantage
# from the order in which the indexes were made or last used.
index_files=()
while IFS= read -r -d '' file; do index_files+=("$file"); done < <(
  find "$ours" "$omdb" -type f -print0
  if ((recoll)); then find "$conf/xapiandb" -type f -print0; fi
)
sync -- "${index_files[@]}"
for file in "${index_files[@]}"; do
  dd if="$file" iflag=nocache count=0 status=none
done
cat -- "${index_files[@]}" >/dev/null

declare -A counts samples
floor=""
echo "Warm-up run of every query..." >&2
for i in "${!texts[@]}"; do
  for tool in "${tools[@]}"; do
    command_for "$tool" "${kinds[$i]}" "${texts[$i]}"
    out="$work/logs/$tool-$i.out"
    "${CMD[@]}" >"$out" 2>"$work/logs/$tool-$i.err" </dev/null || die "'${CMD[*]}' failed (see $work/logs/$tool-$i.err)"
    counts[$tool,$i]=$(count_of "$tool" "$out")
  done
done

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "Timing $runs rounds..." >&2
for ((r = 0; r < runs; r++)); do
  for i in "${!texts[@]}"; do
    for tool in "${tools[@]}"; do
      command_for "$tool" "${kinds[$i]}" "${texts[$i]}"
      start=${EPOCHREALTIME/[.,]/}
      "${CMD[@]}" >/dev/null 2>&1 </dev/null
      end=${EPOCHREALTIME/[.,]/}
      samples[$tool,$i]+="$((end - start)) "
    done
  done
  # What starting a process costs this harness: the floor under every sample.
  start=${EPOCHREALTIME/[.,]/}
  /bin/true >/dev/null 2>&1 </dev/null
  end=${EPOCHREALTIME/[.,]/}
  floor+="$((end - start)) "
done

# stats: median and p99 (nearest rank) of microsecond samples on stdin, in ms.
stats() {
  tr ' ' '\n' | grep -v '^$' | sort -n | awk '
    { v[NR] = $1 }
    END {
      m = int(0.5 * NR + 0.999999); p = int(0.99 * NR + 0.999999)
      if (m < 1) m = 1; if (p < 1) p = 1
      printf "%.2f %.2f", v[m] / 1000, v[p] / 1000
    }'
}

echo
echo "Whole process, $runs runs per query${limit:+, first $limit results}; $(nproc) CPUs; load before: $load_before"
read -r floor_median _ <<<"$(stats <<<"$floor")"
echo "Starting /bin/true the same way: median $floor_median ms"
printf '%-8s %-7s %10s %10s\n' tool kind "median ms" "p99 ms"
declare -A median
for tool in "${tools[@]}"; do
  for kind in single and or; do
    all=""
    for i in "${!texts[@]}"; do
      if [[ "${kinds[$i]}" == "$kind" ]]; then all+="${samples[$tool,$i]}"; fi
    done
    read -r med p99 <<<"$(stats <<<"$all")"
    median[$tool,$kind]=$med
    printf '%-8s %-7s %10s %10s\n' "$tool" "$kind" "$med" "$p99"
  done
done

echo
echo "Per query: median ms (result count)"
printf '%-7s %-16s' kind query
for tool in "${tools[@]}"; do printf ' %20s' "$tool"; done
echo
for i in "${!texts[@]}"; do
  printf '%-7s %-16s' "${kinds[$i]}" "${texts[$i]}"
  for tool in "${tools[@]}"; do
    read -r med _ <<<"$(stats <<<"${samples[$tool,$i]}")"
    printf ' %20s' "$med (${counts[$tool,$i]:-?})"
  done
  echo
done

echo
echo "In process (vedra_search_bench, $((runs * 3)) runs per query, ${limit:-20} rows shown):"
args=(--workdir "$ours" --runs $((runs * 3)) --shown "${limit:-20}")
for i in "${!texts[@]}"; do
  args+=(--query "${kinds[$i]}" "${texts[$i]}")
done
"$inproc" "${args[@]}"

# p90: the 90th percentile (nearest rank) of microsecond samples on stdin, in ms.
p90() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{ v[NR] = $1 } END { p = int(0.9 * NR + 0.999999); if (p < 1) p = 1; printf "%.2f", v[p] / 1000 }'; }
echo
for kind in single and or; do
  faster=quest
  if ((recoll)) && awk -v a="${median[recollq,$kind]}" -v b="${median[quest,$kind]}" 'BEGIN { exit !(a < b) }'; then
    faster=recollq
  fi
  ratio=$(awk -v a="${median[vedra,$kind]}" -v b="${median[$faster,$kind]}" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }')
  echo "$kind: vedra median / $faster median = $ratio (aim: at most 0.50)"
  vall="" qall=""
  for i in "${!texts[@]}"; do
    if [[ "${kinds[$i]}" == "$kind" ]]; then vall+="${samples[vedra,$i]}"; qall+="${samples[quest,$i]}"; fi
  done
  echo "$kind: 90th percentile vedra $(p90 <<<"$vall") ms, quest $(p90 <<<"$qall") ms (aim: vedra at most quest's)"
done
echo "Load after: $(cut -d' ' -f1-3 /proc/loadavg)"
