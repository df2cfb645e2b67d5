#!/usr/bin/env bash
# The engine's folders are layers, lowest first: a file may include its own folder
# and the folders below it, never one above, never the window or the CLI, and never
# through "../". Fails with every include that breaks that, one per line.
# Within the layers, files are layers too: no two files of src/ may reach each
# other through includes, a header and its .cpp counting as one file.
#   check_engine_layers.sh SRC_CORE        check the engine's sources
#   check_engine_layers.sh --loops SRC     check every file of src/ for include loops
#   check_engine_layers.sh --self-test     show that a back edge and a loop are caught
set -u
layers=(io archive app web indexing search utilities watch)

declare -A rank_of
for i in "${!layers[@]}"; do rank_of[${layers[$i]}]=$i; done
rank() { echo "${rank_of[$1]:--1}"; }

check() {
  local root=$1 bad=0 folder own line target
  [ -d "$root" ] || { echo "no such folder: $root"; return 2; }
  for folder in "$root"/*/; do
    folder=$(basename "$folder")
    own=$(rank "$folder")
    if [ "$own" -lt 0 ]; then
      echo "$folder/: a folder outside the layers (add it to check_engine_layers.sh in its place)"
      bad=1
      continue
    fi
    while IFS= read -r line; do
      [[ $line =~ include[[:space:]]*\"([^\"]*)\" ]] || continue
      target=${BASH_REMATCH[1]}
      case "$target" in
        */../*|../*)
          echo "$line  (an include through ../)"; bad=1 ;;
        core/*/*)
          local to=${target#core/}
          to=${to%%/*}
          if [ "${rank_of[$to]:--1}" -lt 0 ] || [ "${rank_of[$to]}" -gt "$own" ]; then
            echo "$line  ($folder includes $to, a higher layer)"; bad=1
          fi ;;
        ui/*|cli/*)
          echo "$line  (the engine includes the ${target%%/*} layer)"; bad=1 ;;
      esac
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$root/$folder" || true)
  done
  return $bad
}

# One "includer included" line per include between two files of `root`, each file
# named by its path without the extension, so Foo.h and Foo.cpp are one node.
include_edges() {
  local root=$1 file from target
  while IFS= read -r file; do
    from=${file#"$root"/}
    from=${from%.*}
    while IFS= read -r target; do
      [ -f "$root/$target" ] || continue
      target=${target%.*}
      [ "$target" = "$from" ] || echo "$from $target"
    done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/p' "$file")
  done < <(find "$root" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)
}

# tsort names each loop it meets, one member a line, in include order; every loop
# is told as "a -> b -> a" with the lines that make it.
loops() {
  local root=$1 edges report
  [ -d "$root" ] || { echo "no such folder: $root"; return 2; }
  edges=$(include_edges "$root")
  report=$(tsort <<<"$edges" 2>&1 >/dev/null) && return 0
  awk -v edges="$edges" '
    BEGIN { n = split(edges, lines, "\n"); for (i = 1; i <= n; i++) has[lines[i]] = 1 }
    function flush(   i, text, to) {
      if (count == 0) return
      text = member[1]
      for (i = 1; i <= count; i++) { to = member[i % count + 1]; text = text " -> " to }
      print "include loop: " text
      count = 0
    }
    /input contains a loop/ { flush(); next }
    { sub(/^tsort: /, ""); member[++count] = $0 }
    END { flush() }' <<<"$report"
  return 1
}

if [ "${1:-}" = "--loops" ]; then
  loops "${2:-}" || { echo "files include each other (a header and its .cpp are one file): take the shared part apart"; exit 1; }
  echo "no include loops between the files of ${2:-}"
  exit 0
fi

if [ "${1:-}" = "--self-test" ]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  mkdir -p "$tmp/core/archive" "$tmp/core/search" "$tmp/core/io"
  printf '#include "core/io/FileHandle.h"\n#include "core/archive/Records.h"\n' > "$tmp/core/archive/Store.cpp"
  printf '#include "core/archive/Store.h"\n' > "$tmp/core/search/Run.cpp"
  check "$tmp/core" >/dev/null || { echo "self-test: a clean tree was refused"; exit 1; }
  printf '#include "core/search/Run.h"\n' >> "$tmp/core/archive/Store.cpp"
  out=$(check "$tmp/core") && { echo "self-test: archive including search was not caught"; exit 1; }
  grep -q 'archive includes search' <<<"$out" || { echo "self-test: wrong report: $out"; exit 1; }
  printf '#include "core/archive/Records.h"\n' > "$tmp/core/archive/Store.cpp"
  printf '#include "../search/Run.h"\n' > "$tmp/core/io/Handle.cpp"
  check "$tmp/core" >/dev/null && { echo "self-test: an include through ../ was not caught"; exit 1; }
  printf '#include "ui/Window.h"\n' > "$tmp/core/io/Handle.cpp"
  check "$tmp/core" >/dev/null && { echo "self-test: the engine including the window was not caught"; exit 1; }
  mkdir -p "$tmp/src/core/search"
  printf '#include "core/search/Change.h"\n' > "$tmp/src/core/search/Change.cpp"
  printf '#include "core/search/Change.h"\n#include <string>\n' > "$tmp/src/core/search/Row.h"
  printf '#include "core/search/Row.h"\n' > "$tmp/src/core/search/Row.cpp"
  printf '\n' > "$tmp/src/core/search/Change.h"
  loops "$tmp/src" >/dev/null || { echo "self-test: a tree without loops was refused"; exit 1; }
  printf '#include "core/search/Change.h"\n' > "$tmp/src/core/search/List.h"
  printf '#include "core/search/List.h"\n' >> "$tmp/src/core/search/Change.cpp"
  out=$(loops "$tmp/src") || true
  grep -q 'List -> core/search/Change\|Change -> core/search/List' <<<"$out" ||
    { echo "self-test: the loop Change.cpp -> List.h -> Change.h was not caught: $out"; exit 1; }
  echo "the layer check catches back edges and include loops"
  exit 0
fi

check "$1" || { echo "the engine's layers are crossed (order, lowest first: ${layers[*]})"; exit 1; }
echo "the engine's layers are one-way: ${layers[*]}"
