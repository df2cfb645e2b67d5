#!/usr/bin/env bash
# An archive and its catalogue on read-only media: `vedra search` prints the
# same rows as before; `vedra index` and `vedra create` fail with the message
# that names what cannot be written, exit non-zero and change nothing. Made
# read-only for real in every way the machine allows: a read-only bind mount in
# a private mount namespace and the immutable attribute (as root), or chmod a-w
# (as a normal user).
set -u
vedra=$1
tmp=$(mktemp -d)
immutable=()
cleanup() {
  # Nothing immutable may stay behind, or the folder could not even be removed.
  for path in "${immutable[@]}"; do chattr -i "$path" 2>/dev/null; done
  chmod -R u+w "$tmp" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
checked=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The catalogue and the archive folders lie above "vedraprog", on the media.
media=$tmp/media
work=$media/vedraprog
archive=$media/C_DOCS_1
catalogue=$media/IND_ARC.PRI
export HOME=$tmp/home
mkdir -p "$work/Lemmi/Radici" "$tmp/docs/sub" "$HOME"
printf 'house garden window party\n' > "$work/Lemmi/Radici/RadiciParole.txt"
printf 'house garden\n' > "$tmp/docs/a.txt"
printf 'garden window\n' > "$tmp/docs/sub/b.txt"
"$vedra" --workdir "$work" create docs >/dev/null 2>&1 || fail "create docs"
"$vedra" --workdir "$work" index "$tmp/docs" >/dev/null 2>&1 || fail "index docs"
printf 'party house\n' > "$tmp/docs/new.txt"

# What the writable archive answers, and its bytes.
"$vedra" --workdir "$work" search garden >"$tmp/garden.want" 2>/dev/null
"$vedra" --workdir "$work" search house window --or >"$tmp/or.want" 2>/dev/null
[ "$(wc -l <"$tmp/garden.want")" = 2 ] || fail "baseline garden rows: $(cat "$tmp/garden.want")"
[ "$(wc -l <"$tmp/or.want")" = 2 ] || fail "baseline OR rows: $(cat "$tmp/or.want")"
cp -a "$archive" "$tmp/archive.before"
cp -a "$catalogue" "$tmp/catalogue.before"

# The vedra steps on the read-only media; outputs go to $1, off the media.
steps() {
  local out=$1
  "$vedra" --workdir "$work" search garden >"$out/garden" 2>"$out/garden.err"; echo $? >"$out/garden.rc"
  "$vedra" --workdir "$work" search house window --or >"$out/or" 2>/dev/null
  "$vedra" --workdir "$work" index "$tmp/docs" >"$out/index" 2>"$out/index.err"; echo $? >"$out/index.rc"
  "$vedra" --workdir "$work" create more >"$out/create" 2>"$out/create.err"; echo $? >"$out/create.rc"
}
export -f steps
export vedra work tmp

check() {
  local how=$1 out=$2
  checked=$((checked + 1))
  [ "$(cat "$out/garden.rc")" = 0 ] || fail "$how: search exited $(cat "$out/garden.rc"): $(cat "$out/garden.err")"
  cmp -s "$out/garden" "$tmp/garden.want" || fail "$how: search rows differ: $(cat "$out/garden")"
  cmp -s "$out/or" "$tmp/or.want" || fail "$how: OR rows differ: $(cat "$out/or")"
  grep -q "Cannot write to:" "$out/garden.err" && fail "$how: the search complained: $(cat "$out/garden.err")"
  [ "$(cat "$out/index.rc")" = 1 ] || fail "$how: index exited $(cat "$out/index.rc")"
  grep -qx "Cannot write to:" "$out/index.err" || fail "$how: index message: $(cat "$out/index.err")"
  grep -qx "$archive/IND.1" "$out/index.err" || fail "$how: index names no file: $(cat "$out/index.err")"
  grep -q "It could not load data\|Writing error" "$out/index.err" && fail "$how: index gave another message too"
  [ -s "$out/index" ] && fail "$how: index printed a summary: $(cat "$out/index")"
  [ "$(cat "$out/create.rc")" = 1 ] || fail "$how: create exited $(cat "$out/create.rc")"
  grep -qx "$catalogue" "$out/create.err" || fail "$how: create names no catalogue: $(cat "$out/create.err")"
  [ -e "$media/C_MORE_2" ] && fail "$how: create made a folder"
  diff -r "$tmp/archive.before" "$archive" >/dev/null || fail "$how: the archive folder changed"
  cmp -s "$tmp/catalogue.before" "$catalogue" || fail "$how: the catalogue changed"
  # The files the program writes beside an archive went to the redirect folder.
  [ -d "$HOME/C_DOCS_1_rep" ] || fail "$how: no redirect folder"
  # A later search of the writable archive still gives what it gave before.
  local again
  again=$("$vedra" --workdir "$work" search garden 2>/dev/null)
  [ "$again" = "$(cat "$tmp/garden.want")" ] || fail "$how: search afterwards: $again"
  rm -rf "$HOME/C_DOCS_1_rep"
}

if [ "$(id -u)" = 0 ]; then
  # A read-only bind mount of the whole media, seen only inside the namespace.
  mkdir -p "$tmp/ns"
  if unshare -m bash -c 'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" "$1"' _ "$media" 2>/dev/null; then
    unshare -m bash -c 'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" "$1" && steps "$2"' _ "$media" "$tmp/ns"
    check "read-only mount" "$tmp/ns"
  fi
  # The immutable attribute on the archive files, their folder, the catalogue and the media folder.
  mkdir -p "$tmp/immutable"
  ok=1
  for path in "$archive"/* "$archive" "$catalogue" "$media"; do
    if chattr +i "$path" 2>/dev/null; then immutable+=("$path"); else ok=0; break; fi
  done
  if [ $ok = 1 ]; then
    steps "$tmp/immutable"
    for path in "${immutable[@]}"; do chattr -i "$path"; done
    immutable=()
    check "immutable files" "$tmp/immutable"
  else
    for path in "${immutable[@]}"; do chattr -i "$path"; done
    immutable=()
  fi
else
  mkdir -p "$tmp/chmod"
  chmod a-w "$archive"/* "$archive" "$catalogue" "$media"
  if ! ( : >>"$catalogue" ) 2>/dev/null; then
    steps "$tmp/chmod"
    chmod u+w "$archive"/* "$archive" "$catalogue" "$media"
    check "chmod a-w" "$tmp/chmod"
  fi
  chmod u+w "$archive"/* "$archive" "$catalogue" "$media"
fi

if [ $checked -eq 0 ]; then
  echo "skipped: this machine cannot make the archive read-only (no mount namespace, no immutable attribute, no chmod)"
  exit 0
fi
if [ $failures -eq 0 ]; then echo "$checked passed, 0 failed"; exit 0; fi
echo "0 passed, $checked failed"; exit 1
