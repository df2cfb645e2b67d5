#!/usr/bin/env bash
# Times a full indexing run and a no-op re-run of a folder tree with `vedra`,
# and optionally with two peer indexers from Debian (Xapian's omindex and
# recollindex), then prints one comparison table.
#
#   bench/index-bench.sh DIR [--peers] [--build BUILD_DIR] [--keep] [--work WORK]
#
#   DIR           the folder tree to index (read only; nothing is written there)
#   --peers       also time omindex (package xapian-omega) and recollindex
#                 (package recoll); missing packages are installed with apt-get
#   --build DIR   build folder holding src/cli/vedra (default: <repo>/build); when
#                 the binary is missing, scripts/build is run into that folder
#   --keep        keep the temporary folder (archives, databases, logs) and print it
#   --work WORK   use WORK (which must not exist yet) as the temporary folder: two
#                 runs into the same WORK record the same paths, so their archives
#                 can be compared byte for byte (cmp)
#
# What is measured, for every tool:
#   full wall s   a full run into a fresh, empty index
#   MB/s          input MB / full wall s, where input MB is the sum of the sizes of
#                 the regular files under DIR (`find DIR -type f`, so symbolic
#                 links are not counted; no tool here follows them) -- the same
#                 input figure for every tool, whatever each one chooses to read
#   peak RSS MB   "Maximum resident set size" of /usr/bin/time -v for the full run
#   no-op wall s  the same command again, nothing having changed
#   index MB      du -sb of the index: our archive folder, omindex's database
#                 folder, recoll's xapiandb folder
#   CPU s         user + system seconds of the full run (recollindex uses threads)
#   docs          documents in the index: for vedra the "Files with text indexed"
#                 counter; for the peers the document count of their Xapian
#                 database (xapian-delve, package xapian-tools)
# Wall times come from a nanosecond clock read around the /usr/bin/time -v call,
# because time -v prints elapsed time in 10 ms steps only.
# Before the first timed run every file under DIR is read once, so all tools
# start with the same (warm) page cache.
#
# What each tool indexes (all walk the whole tree, none follows symbolic links):
#   vedra         `vedra index DIR` into archive "bench" of a fresh working
#                 folder, with the default filters of a new archive: text is read
#                 from files with no extension or an extension longer than four
#                 bytes, .htm/.html, .txt and similar, and the extensions of the
#                 text list (.c .h .cpp .js .php .xml .rtf .pas ...); PDFs go
#                 through pdftotext; compressed files (.gz .zip ...) are skipped
#                 (no --unpack); the names of all other files are recorded, so
#                 .hpp .tcc .def .inc .md .rst .pl .sh ... give no text.
#                 Folders whose path contains, in any case, an entry of the
#                 excluded-folder list (temp, debug, release, system, i386,
#                 windows, recycled -- so also llvm/DebugInfo, systemd, ...-i386-...)
#                 and folders whose name starts with '.' are not entered.
#   omindex       `omindex -v --db DB --url / DIR` plus
#                   -M h:text/plain -M hpp:text/plain   .h/.hpp as plain text
#                   -M c:text/plain -M cpp:text/plain -M pas:text/plain
#                   -M bas:text/plain -M js:text/plain -M php:text/plain
#                                 the other source files vedra reads as text
#                   -G NAME:text/plain for every distinct name without a '.'
#                     of a regular file under DIR: vedra reads every file
#                     without an extension as text, while omindex, left to
#                     libmagic, skips those it calls text/x-c, text/x-c++,
#                     text/x-shellscript... (C++ headers such as <vector>,
#                     Qt's forwarding headers, scripts). Mapping them by name
#                     costs omindex nothing; an -F TYPE:cat filter instead
#                     would fork one process per file out of a process holding
#                     hundreds of MB, which more than doubled its time on
#                     /usr/include. Names holding ':' cannot be given to -G;
#                     how many were left out is reported.
#                 Plain text, HTML and PDF (through pdftotext) use its own filters.
#                 Files whose type it cannot handle (gzip, images, markdown and
#                 reStructuredText without their filters, ...) are skipped; the
#                 report lists how many of each reason -v printed.
#   recollindex   `recollindex -c CONFDIR --diagsfile F` with a fresh CONFDIR whose
#                 recoll.conf holds only:
#                   topdirs = DIR
#                   compressedfilemaxkbs = 0   compressed files are not opened,
#                                              as vedra and omindex do not open them
#                   noaspell = 1               no spelling dictionary (aspell is
#                                              only a recommended package, and the
#                                              others build no such dictionary)
#                   systemfilecommand = file --mime-type -b
#                                              type files without a known suffix
#                                              (C++ headers such as <vector>,
#                                              README files) with libmagic; the
#                                              default, xdg-mime, is only a
#                                              recommended package, and without it
#                                              recoll indexes no text of such files
#                 Everything else is recoll's default: every type it has a handler
#                 for is read (including markdown, scripts, .tcc...), file names of
#                 the rest are indexed, its default skippedNames apply, and it
#                 runs its multi-threaded pipeline. The report summarises the
#                 diagnostics file (what it skipped and why).
# The tools therefore do not read exactly the same set of files; the docs column
# and the per-tool notes below the table show by how much they differ.
set -euo pipefail

bench_name=index-bench
usage_lines=16
source "$(dirname "$0")/bench-lib.sh"

root=$(cd "$(dirname "$0")/.." && pwd)
dir=""
peers=0
keep=0
build_dir="$root/build"
work_dir=""
while (($# > 0)); do
  case "$1" in
    --peers) peers=1 ;;
    --keep) keep=1 ;;
    --work)
      (($# >= 2)) || die "--work needs a folder"
      work_dir=$2
      shift
      ;;
    --build)
      (($# >= 2)) || die "--build needs a folder"
      build_dir=$2
      shift
      ;;
    -h | --help) usage ;;
    -*) die "unknown option '$1'" ;;
    *)
      [[ -z "$dir" ]] || die "one folder only ('$dir' and '$1' given)"
      dir=$1
      ;;
  esac
  shift
done
[[ -n "$dir" ]] || usage
[[ -e "$dir" ]] || die "'$dir' does not exist"
[[ -d "$dir" ]] || die "'$dir' is not a folder"
[[ -r "$dir" && -x "$dir" ]] || die "'$dir' cannot be read"
dir=$(cd "$dir" && pwd -P)


[[ -x /usr/bin/time ]] || apt_install time
[[ -x /usr/bin/time ]] || die "/usr/bin/time is missing and could not be installed"

build_dir=$(mkdir -p "$build_dir" && cd "$build_dir" && pwd)
vedra="$build_dir/src/cli/vedra"
if [[ ! -x "$vedra" ]]; then
  echo "index-bench: $vedra not found, building into $build_dir" >&2
  "$root/scripts/build" "$build_dir" >&2
fi
[[ -x "$vedra" ]] || die "no vedra binary at $vedra"

if ((peers)); then
  apt_install xapian-omega xapian-tools recoll
  for tool in omindex xapian-delve recollindex; do
    command -v "$tool" >/dev/null || die "$tool not found after installing the peer packages"
  done
  command -v pdftotext >/dev/null ||
    echo "index-bench: warning: pdftotext is missing, omindex and recoll will skip PDFs" >&2
fi

# --- temporary folder, removed at the end ---
if [[ -n "$work_dir" ]]; then
  [[ ! -e "$work_dir" ]] || die "'$work_dir' exists already"
  mkdir -p "$work_dir"
  work=$(cd "$work_dir" && pwd)
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/index-bench.XXXXXX")
fi
cleanup() {
  if ((keep)); then
    echo "index-bench: kept $work" >&2
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$work/logs"

# --- helpers ---
now_ns() { date +%s%N; }

# timed NAME CMD...: runs CMD under /usr/bin/time -v with its output in
# logs/NAME.log; sets T_WALL (s), T_RSS (MB), T_CPU (s). A failing command ends
# the benchmark with the end of its log.
timed() {
  local name=$1
  shift
  local log="$work/logs/$name.log" tv="$work/logs/$name.time"
  local start end status=0
  start=$(now_ns)
  /usr/bin/time -v -o "$tv" "$@" >"$log" 2>&1 </dev/null || status=$?
  end=$(now_ns)
  if ((status != 0)); then
    echo "index-bench: '$*' failed with status $status; end of its log:" >&2
    tail -n 20 "$log" >&2
    [[ -s "$tv" ]] && grep -E 'Command|Exit status' "$tv" >&2
    exit 1
  fi
  T_WALL=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
  T_RSS=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$tv")
  T_CPU=$(awk -F': ' '/User time/ { u = $2 } /System time/ { s = $2 } END { printf "%.2f", u + s }' "$tv")
}

dir_bytes() { du -sb "$1" | awk '{ print $1 }'; }

xapian_docs() {
  xapian-delve "$1" 2>/dev/null | awk -F'= ' '/number of documents/ { print $2 }'
}

# Results, one entry per tool.
tools=()
declare -A full_wall full_rss full_cpu noop_wall index_bytes docs notes

# --- input ---
input_files=$(find "$dir" -type f | wc -l)
input_bytes=$(find "$dir" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%d", s }')
input_links=$(find "$dir" -type l | wc -l)
input_mb=$(awk -v b="$input_bytes" 'BEGIN { printf "%.2f", b / 1048576 }')
((input_bytes > 0)) || die "no regular file with content under $dir"
echo "Input: $dir: $input_files files, $input_mb MB ($input_bytes bytes), $input_links symbolic links not followed" >&2
echo "Warming the page cache..." >&2
find "$dir" -type f -readable -print0 | xargs -0 -r cat >/dev/null 2>&1 || true

# --- vedra ---
echo "Running vedra..." >&2
ours="$work/vedra"
mkdir -p "$ours"
"$vedra" --workdir "$ours" --lang en create bench >"$work/logs/vedra-create.log" 2>&1 ||
  { cat "$work/logs/vedra-create.log" >&2; die "vedra create failed"; }
archive=$("$vedra" --workdir "$ours" --lang en info 2>/dev/null | sed -n 's/^Archive folder: //p')
[[ -n "$archive" && -d "$archive" ]] || die "cannot find the archive folder of the new archive"
timed vedra-full "$vedra" --workdir "$ours" --lang en index "$dir"
full_wall[vedra]=$T_WALL full_rss[vedra]=$T_RSS full_cpu[vedra]=$T_CPU
timed vedra-noop "$vedra" --workdir "$ours" --lang en index "$dir"
noop_wall[vedra]=$T_WALL
index_bytes[vedra]=$(dir_bytes "$archive")
counter() { sed -n "s/^$1: *//p" "$work/logs/$2.log" | head -n 1; }
docs[vedra]=$(counter 'Files with text indexed' vedra-full)
notes[vedra]="file paths seen $(counter 'Files indexed' vedra-full) of $input_files regular files, with text $(counter 'Files with text indexed' vedra-full), words $(counter 'Words indexed' vedra-full); no-op run: new $(counter 'New files with text indexed' vedra-noop), updated $(counter 'Files updated with text indexed' vedra-noop)"
tools+=(vedra)

if ((peers)); then
  # --- omindex ---
  echo "Running omindex..." >&2
  omdb="$work/omindex/db"
  mkdir -p "$work/omindex"
  om=(omindex -v --db "$omdb" --url /)
  for extension in h hpp c cpp pas bas js php; do
    om+=(-M "$extension:text/plain")
  done
  bare_names=0 colon_names=0
  while IFS= read -r -d '' name; do
    if [[ "$name" == *:* ]]; then
      colon_names=$((colon_names + 1))
      continue
    fi
    bare_names=$((bare_names + 1))
    # A literal name as a shell wildcard: escape the wildcard characters.
    name=$(printf '%s' "$name" | sed 's/[][*?\\]/\\&/g')
    om+=(-G "$name:text/plain")
  done < <(find "$dir" -type f ! -name '*.*' -printf '%f\0' | sort -zu)
  om+=("$dir")
  timed omindex-full "${om[@]}"
  full_wall[omindex]=$T_WALL full_rss[omindex]=$T_RSS full_cpu[omindex]=$T_CPU
  timed omindex-noop "${om[@]}"
  noop_wall[omindex]=$T_WALL
  index_bytes[omindex]=$(dir_bytes "$omdb")
  docs[omindex]=$(xapian_docs "$omdb")
  added=$(grep -c '\.\.\. added$' "$work/logs/omindex-full.log" || true)
  skipped=$(grep -c 'Skipping - ' "$work/logs/omindex-full.log" || true)
  reasons=$(sed -n 's/.*Skipping - //p' "$work/logs/omindex-full.log" |
    sed -e "s/ '.*'\$//" -e 's/"[^"]*"/TYPE/' | sort | uniq -c | sort -rn |
    awk '{ n = $1; $1 = ""; printf "%s%s x%s", (NR > 1 ? ";" : ""), $0, n }')
  reasons=${reasons# }
  types=$(sed -n 's/.*Skipping - unknown MIME type .\(.*\).$/\1/p' "$work/logs/omindex-full.log" |
    sort | uniq -c | sort -rn | head -n 6 | awk '{ printf "%s%s x%s", (NR > 1 ? ", " : ""), $2, $1 }')
  notes[omindex]="$bare_names names without '.' mapped to text/plain ($colon_names with ':' left out); added $added, skipped $skipped (${reasons:-none}); unknown types: ${types:-none}; no-op run added $(grep -c '\.\.\. added$' "$work/logs/omindex-noop.log" || true)"
  tools+=(omindex)

  # --- recollindex ---
  echo "Running recollindex..." >&2
  conf="$work/recoll"
  mkdir -p "$conf"
  {
    echo "topdirs = $dir"
    echo "compressedfilemaxkbs = 0"
    echo "noaspell = 1"
    echo "systemfilecommand = file --mime-type -b"
  } >"$conf/recoll.conf"
  timed recoll-full recollindex -c "$conf" --diagsfile "$work/logs/recoll-full.diags"
  full_wall[recoll]=$T_WALL full_rss[recoll]=$T_RSS full_cpu[recoll]=$T_CPU
  timed recoll-noop recollindex -c "$conf" --diagsfile "$work/logs/recoll-noop.diags"
  noop_wall[recoll]=$T_WALL
  index_bytes[recoll]=$(dir_bytes "$conf/xapiandb")
  docs[recoll]=$(xapian_docs "$conf/xapiandb")
  diags=$(awk '{ print $1 }' "$work/logs/recoll-full.diags" 2>/dev/null | sort | uniq -c | sort -rn |
    awk '{ printf "%s%s x%s", (NR > 1 ? ", " : ""), $2, $1 }')
  notes[recoll]="documents include folders and name-only entries; diagnostics: ${diags:-none}; no-op diagnostics lines: $(wc -l <"$work/logs/recoll-noop.diags" 2>/dev/null || echo 0)"
  tools+=(recoll)
fi

# --- table ---
mbps() { awk -v m="$input_mb" -v s="$1" 'BEGIN { if (s > 0) printf "%.1f", m / s; else print "inf" }'; }
mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }

echo
echo "Input: $dir -- $input_files files, $input_mb MB; $(nproc) CPUs"
printf '%-12s %12s %8s %12s %13s %9s %7s %8s\n' tool "full wall s" "MB/s" "peak RSS MB" "no-op wall s" "index MB" "CPU s" docs
for tool in "${tools[@]}"; do
  printf '%-12s %12.2f %8s %12s %13.3f %9s %7s %8s\n' "$tool" "${full_wall[$tool]}" "$(mbps "${full_wall[$tool]}")" \
    "${full_rss[$tool]}" "${noop_wall[$tool]}" "$(mb "${index_bytes[$tool]}")" "${full_cpu[$tool]}" "${docs[$tool]:-?}"
done

if ((peers)); then
  faster=omindex
  if awk -v a="${full_wall[recoll]}" -v b="${full_wall[omindex]}" 'BEGIN { exit !(a < b) }'; then
    faster=recoll
  fi
  ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
  echo
  echo "vedra vs the faster peer ($faster):"
  echo "  throughput ratio (vedra MB/s / $faster MB/s, >1 = vedra faster):    $(ratio "${full_wall[$faster]}" "${full_wall[vedra]}")"
  echo "  memory ratio     (vedra peak RSS / $faster peak RSS, <1 = less):    $(ratio "${full_rss[vedra]}" "${full_rss[$faster]}")"
  echo "  no-op ratio      (vedra no-op wall / $faster no-op wall, <1 = faster): $(ratio "${noop_wall[vedra]}" "${noop_wall[$faster]}")"
  echo "  index size ratio (vedra index MB / $faster index MB):               $(ratio "${index_bytes[vedra]}" "${index_bytes[$faster]}")"
fi

echo
echo "What each tool indexed:"
for tool in "${tools[@]}"; do
  echo "  $tool: ${notes[$tool]}"
done
