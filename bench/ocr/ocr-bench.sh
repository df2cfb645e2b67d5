#!/usr/bin/env bash
# Text recognition: the time tesseract takes per page on this machine, and what
# the option costs a full run over a real tree.
#
#   bench/ocr/ocr-bench.sh [--build BUILD_DIR] [--tree DIR] [--pdf FILE] [--pages N] [--skip-tree] [--skip-plain]
#
# 1. Per page: the first N (default 5) pages of FILE (default the Debian New
#    Maintainers' Guide PDF in /usr/share/doc) rendered by pdftoppm at 300 dpi,
#    then each page through `tesseract PAGE OUT -l eng+ita+spa` as the indexing
#    run starts it; the render time per page is given apart.
# 2. Full runs: DIR (default /usr/share/doc) indexed with unpacking
#    (`vedra index --unpack`) into a fresh archive made with --more-types, then into
#    one made with --more-types --ocr, each in a working folder of its own (the
#    second starts with no recognised text kept); then the OCR run once more into
#    a fresh archive of the OCR run's working folder, whose recognised texts are
#    kept: the cost with every text cached. Wall time, the run's own counters
#    (--json) and the calls of tesseract the run made (counted by a wrapper put
#    first on PATH). --skip-plain leaves out the run without recognition.
# Run it alone: the timings are wall-clock times.
set -euo pipefail

build=build
tree=/usr/share/doc
pdf=
pages=5
skip_tree=0
skip_plain=0
while (($#)); do
  case $1 in
    --build) build=$2; shift 2 ;;
    --tree) tree=$2; shift 2 ;;
    --pdf) pdf=$2; shift 2 ;;
    --pages) pages=$2; shift 2 ;;
    --skip-tree) skip_tree=1; shift ;;
    --skip-plain) skip_plain=1; shift ;;
    *) echo "usage: $0 [--build DIR] [--tree DIR] [--pdf FILE] [--pages N] [--skip-tree] [--skip-plain]" >&2; exit 2 ;;
  esac
done
vedra=$(realpath "$build/src/cli/vedra")
for tool in tesseract pdftoppm; do
  command -v $tool >/dev/null || { echo "$tool is missing (scripts/install-deps)" >&2; exit 1; }
done
[ -n "$pdf" ] || pdf=$(ls /usr/share/doc/maint-guide/*.pdf 2>/dev/null | head -1)
[ -f "$pdf" ] || { echo "no PDF to render: give --pdf FILE" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }

echo "== tesseract per page ($(tesseract --version 2>&1 | head -1), $(nproc) cores)"
start=$(now)
pdftoppm -r 300 -l "$pages" -png "$pdf" "$work/page"
rendered=$(ls "$work"/page-*.png | wc -l)
render=$(echo "$(now) - $start" | bc)
start=$(now)
for page in "$work"/page-*.png; do
  tesseract "$page" "$work/out" -l eng+ita+spa >/dev/null 2>&1
  wc -w < "$work/out.txt" >> "$work/words"
done
ocr=$(echo "$(now) - $start" | bc)
printf 'pages: %d of %s\n' "$rendered" "$pdf"
printf 'render at 300 dpi: %.2f s/page\n' "$(echo "$render / $rendered" | bc -l)"
printf 'tesseract: %.2f s/page (%d words a page on average)\n' "$(echo "$ocr / $rendered" | bc -l)" \
  "$(( $(paste -sd+ "$work/words" | bc) / rendered ))"

((skip_tree)) && exit 0

# Every tesseract the runs start is counted, then run as it is.
mkdir -p "$work/bin"
printf '#!/bin/sh\necho call >> "%s"\nexec %s "$@"\n' "$work/tesseract-calls" "$(command -v tesseract)" \
  > "$work/bin/tesseract"
chmod +x "$work/bin/tesseract"
export PATH="$work/bin:$PATH"
calls() { local n; n=$(cat "$work/tesseract-calls" 2>/dev/null | wc -l); rm -f "$work/tesseract-calls"; echo "$n"; }

full_run() {  # name, create options...
  local name=$1; shift
  mkdir -p "$work/$name"
  "$vedra" --workdir "$work/$name" create "$name" "$@" >/dev/null 2>&1
  local start; start=$(now)
  "$vedra" --workdir "$work/$name" index --unpack "$tree" --json > "$work/$name.json" 2>/dev/null || true
  printf '%-10s %8.1f s  %s tesseract calls: %d\n' "$name" "$(echo "$(now) - $start" | bc)" \
    "$(grep -E '"(filesIndexed|filesWithText|filesRecognised|recognisedFromCache|pagesRecognised|filesNotRead)"' \
       "$work/$name.json" | tr -d ' \n')" "$(calls)"
}
echo "== full run of $tree with unpacking"
((skip_plain)) || full_run plain --more-types
full_run ocr --more-types --ocr
# The same tree into a second OCR archive of the same working folder: every text cached.
"$vedra" --workdir "$work/ocr" create again --more-types --ocr >/dev/null 2>&1
start=$(now)
"$vedra" --workdir "$work/ocr" index --unpack "$tree" --json > "$work/again.json" 2>/dev/null || true
printf '%-10s %8.1f s  %s tesseract calls: %d\n' "ocr-cached" "$(echo "$(now) - $start" | bc)" \
  "$(grep -E '"(filesIndexed|filesWithText|filesRecognised|recognisedFromCache|pagesRecognised|filesNotRead)"' \
     "$work/again.json" | tr -d ' \n')" "$(calls)"
