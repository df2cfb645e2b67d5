#!/usr/bin/env bash
# Judged relevance: the 40 queries of bench/relevance/judged.tsv over the Python and
# PostgreSQL HTML manuals, answered by `vedra search --order relevance`, by vedra's
# archive order, by Xapian's quest and by recollq, all in one run; prints nDCG@10
# and MRR@10 of each (bench/relevance/score.py).
#
#   bench/relevance/relevance-bench.sh [--build BUILD_DIR] [--work DIR] [--keep] [--detail]
#
#   --build DIR   build folder holding src/cli/vedra (default: <repo>/build)
#   --work DIR    keep the corpus copy and the indexes in DIR and reuse them on the
#                 next run (made again only when missing); default: a temporary folder
#   --keep        keep the temporary folder (indexes, results, logs) and print it
#   --detail      also print the rank of the wanted page per query and order
#
# The corpus: every .html file of python3.11-doc and postgresql-doc-15 (installed
# with apt-get when missing), copied to WORK/corpus/python and WORK/corpus/postgresql
# so that every tool indexes the same files and nothing else of those folders (the
# Python manual's reST sources and scripts are left out). Each tool:
#   vedra         `vedra create bench` in a fresh working folder (default options),
#                 `vedra index WORK/corpus`; queries `vedra search WORDS --limit 10`
#                 (all words required) with `--order relevance`, and without it
#                 (the archive's order, the default)
#   omindex       `omindex --db DB --url / WORK/corpus` (its defaults: English stems,
#                 the title weighted); queries `quest -d DB -m 10 -o and 'WORDS'`
#   recollindex   topdirs = WORK/corpus, no aspell, types from `file --mime-type -b`,
#                 idxniceprio = 0 (its defaults otherwise: English stems); queries
#                 `recollq -c CONF -a -n 10 -b WORDS` (-a: all words)
# Each result is named by its path below WORK/corpus, as judged.tsv names pages.
set -euo pipefail

bench_name=relevance-bench
usage_lines=13
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../bench-lib.sh"

root=$(cd "$here/../.." && pwd)
build_dir="$root/build"
work=""
keep=0
detail=()
while (($# > 0)); do
  case "$1" in
    --build)
      (($# >= 2)) || die "--build needs a folder"
      build_dir=$2
      shift
      ;;
    --work)
      (($# >= 2)) || die "--work needs a folder"
      work=$2
      shift
      ;;
    --keep) keep=1 ;;
    --detail) detail=(--detail) ;;
    -h | --help) usage ;;
    *) die "unknown argument '$1'" ;;
  esac
  shift
done

judged="$here/judged.tsv"
[[ -f "$judged" ]] || die "$judged is missing (bench/relevance/make-set.py makes it)"
vedra="$build_dir/src/cli/vedra"
[[ -x "$vedra" ]] || die "$vedra not found (build first: scripts/build build && ninja -C build)"

apt_install python3.11-doc postgresql-doc-15 xapian-omega xapian-tools recoll
for tool in omindex quest recollindex recollq; do
  command -v "$tool" >/dev/null || die "$tool not found after installing the peer packages"
done
manuals=(python:/usr/share/doc/python3.11/html postgresql:/usr/share/doc/postgresql-doc-15/html)

# The set names the package versions it was made from: other versions may have
# other pages and titles, and then the judgements may no longer fit.
for package in python3.11-doc postgresql-doc-15; do
  version=$(dpkg-query -W -f='${Version}' "$package")
  grep -q "of $package $version" "$judged" ||
    echo "$bench_name: warning: $package $version is installed; judged.tsv was made from $(grep -o "of $package [^ ,]*" "$judged" | head -n 1)" >&2
done

if [[ -n "$work" ]]; then
  mkdir -p "$work"
  work=$(cd "$work" && pwd)
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/relevance-bench.XXXXXX")
  cleanup() {
    if ((keep)); then
      echo "$bench_name: kept $work" >&2
    else
      rm -rf "$work"
    fi
  }
  trap cleanup EXIT
fi
trap 'exit 130' INT TERM
mkdir -p "$work/logs"
corpus="$work/corpus"

if [[ ! -f "$work/corpus.done" ]]; then
  echo "Copying the manuals' HTML to $corpus..." >&2
  rm -rf "$corpus"
  for manual in "${manuals[@]}"; do
    name=${manual%%:*} from=${manual#*:}
    mkdir -p "$corpus/$name"
    (cd "$from" && find . -name '*.html' -type f -exec cp --parents -p -t "$corpus/$name" {} +)
  done
  touch "$work/corpus.done"
fi
pages=$(find "$corpus" -type f | wc -l)
megabytes=$(du -sm "$corpus" | cut -f1)

ours="$work/vedra"
if [[ ! -f "$work/vedra.done" ]]; then
  echo "Indexing with vedra..." >&2
  rm -rf "$ours"
  { "$vedra" --workdir "$ours" --lang en create bench && "$vedra" --workdir "$ours" --lang en index "$corpus"; } \
    >"$work/logs/vedra-index.log" 2>&1 || { tail -n 20 "$work/logs/vedra-index.log" >&2; die "vedra indexing failed"; }
  touch "$work/vedra.done"
fi
omdb="$work/omindex"
if [[ ! -f "$work/omindex.done" ]]; then
  echo "Indexing with omindex..." >&2
  rm -rf "$omdb"
  omindex --db "$omdb" --url / "$corpus" >"$work/logs/omindex.log" 2>&1 || die "omindex failed (see $work/logs/omindex.log)"
  touch "$work/omindex.done"
fi
conf="$work/recoll"
if [[ ! -f "$work/recoll.done" ]]; then
  echo "Indexing with recollindex..." >&2
  rm -rf "$conf"
  mkdir -p "$conf"
  {
    echo "topdirs = $corpus"
    echo "noaspell = 1"
    echo "systemfilecommand = file --mime-type -b"
    echo "idxniceprio = 0"
  } >"$conf/recoll.conf"
  recollindex -c "$conf" >"$work/logs/recollindex.log" 2>&1 || die "recollindex failed (see $work/logs/recollindex.log)"
  touch "$work/recoll.done"
fi

# The queries: id and words, in the set's order.
ids=() texts=()
while IFS=$'\t' read -r id text; do
  ids+=("$id") texts+=("$text")
done < <(awk -F'\t' '!/^#/ && !seen[$1]++ { print $1 "\t" $4 }' "$judged")

results="$work/results.tsv"
: >"$results"
# emit TOOL ID: the paths on stdin, one a line, with their rank, into the results.
emit() {
  awk -v tool="$1" -v id="$2" 'NF { print tool "\t" id "\t" ++rank "\t" $0 }' >>"$results"
}

# The relevance order is new: a vedra that does not know --order is reported as
# such, and any other failure stops the run.
relevance=1
if ! "$vedra" --workdir "$ours" search "${texts[0]}" --limit 0 --order relevance >/dev/null 2>"$work/logs/order.err"; then
  grep -q -e "unknown option '--order'" -e "'relevance'" "$work/logs/order.err" ||
    die "vedra search --order relevance failed: $(cat "$work/logs/order.err")"
  relevance=0
  printf 'vedra relevance\t-\tunavailable\t%s\n' "$(head -n 1 "$work/logs/order.err")" >>"$results"
fi

echo "Running ${#ids[@]} queries..." >&2
for i in "${!ids[@]}"; do
  id=${ids[$i]} text=${texts[$i]}
  read -r -a words <<<"$text"
  err="$work/logs/vedra-$id.err"

  if ((relevance)); then
    out=$("$vedra" --workdir "$ours" search "${words[@]}" --limit 10 --order relevance 2>"$err.relevance") ||
      die "vedra search $text --order relevance failed (see $err.relevance)"
    cut -f1 <<<"$out" | sed "s|^$corpus/||" | emit "vedra relevance" "$id"
  fi
  out=$("$vedra" --workdir "$ours" search "${words[@]}" --limit 10 2>"$err") || die "vedra search $text failed (see $err)"
  cut -f1 <<<"$out" | sed "s|^$corpus/||" | emit "vedra archive" "$id"

  out=$(quest -d "$omdb" -m 10 -o and "$text" 2>"$work/logs/quest-$id.err") || die "quest '$text' failed"
  sed -n 's|^url=/||p' <<<"$out" | emit quest "$id"

  out=$(recollq -c "$conf" -a -n 10 -b "${words[@]}" 2>"$work/logs/recollq-$id.err") || die "recollq $text failed"
  sed -n "s|^file://$corpus/||p" <<<"$out" | emit recollq "$id"
done

# Words vedra does not register: those whose three-letter root is not among the
# archive's roots, and those its search leaves out (stop words, too short).
"$vedra" --workdir "$ours" roots list >"$work/roots.txt"
unregistered=()
for i in "${!ids[@]}"; do
  missing=""
  for word in ${texts[$i]}; do
    grep -qxF "${word:0:3}" "$work/roots.txt" || missing+=" $word"
  done
  notice=$(grep -h -e 'Not searched' -e 'not in the dictionary' "$work/logs/vedra-${ids[$i]}.err" || true)
  if [[ -n "$missing" || -n "$notice" ]]; then
    unregistered+=("${ids[$i]} (${texts[$i]}):${missing:+ root missing:$missing}${notice:+ $notice}")
  fi
done

echo
echo "Judged relevance, $(date -u +%Y-%m-%d); vedra $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo '?');" \
  "omega $(dpkg-query -W -f='${Version}' xapian-omega), recoll $(dpkg-query -W -f='${Version}' recoll)"
echo "Corpus: $pages HTML pages, $megabytes MB (python3.11-doc $(dpkg-query -W -f='${Version}' python3.11-doc)," \
  "postgresql-doc-15 $(dpkg-query -W -f='${Version}' postgresql-doc-15)); $(nproc) CPUs"
/usr/bin/python3 "$here/score.py" --judged "$judged" --results "$results" "${detail[@]}"
echo "Queries with a word vedra does not register or search: ${#unregistered[@]} of ${#ids[@]}"
for line in "${unregistered[@]}"; do echo "  $line"; done
