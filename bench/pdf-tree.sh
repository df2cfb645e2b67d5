#!/usr/bin/env bash
# Builds a folder tree with many PDFs for bench/index-bench.sh: a copy of a
# documentation tree (default /usr/share/doc) with COUNT copies of the PDFs found
# in it spread over its folders, so that PDF conversion takes most of a full run,
# as on a real document tree.
#
#   bench/pdf-tree.sh OUT [--from DIR] [--count COUNT]
#
#   OUT            the tree to make (must not exist yet)
#   --from DIR     the tree to copy (default /usr/share/doc); its PDFs are the
#                  models; without any, the script stops
#   --count COUNT  PDF copies to add (default 350)
#
# Deterministic: the i-th copy is the (i mod m)-th model (models sorted by path)
# in the folder at position i * folders / COUNT of the sorted folder list, named
# "paper-<i>-<model name>"; every copy gets the model's time.
set -euo pipefail

die() {
  echo "pdf-tree: $*" >&2
  exit 1
}

out=""
from=/usr/share/doc
count=350
while (($# > 0)); do
  case "$1" in
    --from)
      (($# >= 2)) || die "--from needs a folder"
      from=$2
      shift
      ;;
    --count)
      (($# >= 2)) || die "--count needs a number"
      count=$2
      shift
      ;;
    -h | --help)
      sed -n '2,16s/^# \{0,1\}//p' "$0" >&2
      exit 2
      ;;
    -*) die "unknown option '$1'" ;;
    *)
      [[ -z "$out" ]] || die "one output folder only"
      out=$1
      ;;
  esac
  shift
done
[[ -n "$out" ]] || die "no output folder given"
[[ ! -e "$out" ]] || die "'$out' exists already"
[[ -d "$from" ]] || die "'$from' is not a folder"
[[ "$count" =~ ^[0-9]+$ ]] || die "--count wants a number"

mkdir -p "$out"
# Symbolic links stay links (no indexer follows them); times are kept.
cp -r --preserve=timestamps "$from/." "$out/"

mapfile -t models < <(find "$out" -type f -name '*.pdf' | LC_ALL=C sort)
((${#models[@]} > 0)) || die "no PDF under $from to copy"
mapfile -t folders < <(find "$out" -type d | LC_ALL=C sort)
for ((i = 0; i < count; i++)); do
  model=${models[i % ${#models[@]}]}
  folder=${folders[i * ${#folders[@]} / count]}
  cp --preserve=timestamps "$model" "$folder/paper-$i-$(basename "$model")"
done
echo "pdf-tree: $out: $(find "$out" -type f | wc -l) files, $(find "$out" -type f -name '*.pdf' | wc -l) PDFs" >&2
