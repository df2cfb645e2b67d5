#!/usr/bin/env bash
# Fails when any engine source includes a Qt header.
set -u
dir=$1
hits=$(grep -rn -E '#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/)' "$dir" || true)
if [ -n "$hits" ]; then
  echo "Qt headers included by the engine:"
  echo "$hits"
  exit 1
fi
echo "engine sources are free of Qt"
