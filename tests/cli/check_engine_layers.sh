#!/usr/bin/env bash
# The engine's folders are layers, lowest first: a file may include its own folder
# and the folders below it, never one above, never the window or the CLI, and never
# through "../". Fails with every include that breaks that, one per line.
#   check_engine_layers.sh SRC_CORE        check the engine's sources
#   check_engine_layers.sh --self-test     show that a back edge is caught
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
  echo "the layer check catches back edges"
  exit 0
fi

check "$1" || { echo "the engine's layers are crossed (order, lowest first: ${layers[*]})"; exit 1; }
echo "the engine's layers are one-way: ${layers[*]}"
