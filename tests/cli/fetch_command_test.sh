#!/usr/bin/env bash
# `vedra fetch` against the test server on 127.0.0.1: a page into its local copy, a
# PDF into a chosen file, an accented address, a 404, a refused port, bad usage.
set -u
vedra=$1
server=$2
tmp=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY

coproc SERVER { "$server"; }
server_pid=$SERVER_PID
trap 'kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; rm -rf "$tmp"' EXIT
read -r port <&"${SERVER[0]}"
base=http://127.0.0.1:$port
work=$tmp/work

out=$("$vedra" --workdir "$work" fetch "$base/page.html" 2>"$tmp/err")
[ $? -eq 0 ] || fail "fetch page: $(cat "$tmp/err")"
grep -qx "Bytes: 5" <<<"$out" || fail "byte count: $out"
grep -qx "Kind: 0" <<<"$out" || fail "kind of an HTML page: $out"
path=$(sed -n 's/^Path: //p' <<<"$out")
[ "$path" = "$work/download_vedratemp/page.html" ] || fail "default local copy without an archive: $path"
[ "$(cat "$path" 2>/dev/null)" = hello ] || fail "local copy content"

out=$("$vedra" --workdir "$work" fetch "$base/paper.pdf" "$tmp/out/p.pdf" 2>/dev/null)
grep -qx "Kind: 1" <<<"$out" || fail "PDF kind: $out"
grep -qx "Path: $tmp/out/p.pdf" <<<"$out" || fail "chosen destination: $out"
[ "$(cat "$tmp/out/p.pdf" 2>/dev/null)" = "%PDF-1.4" ] || fail "PDF content"

out=$("$vedra" --workdir "$work" fetch "see $base/caffé" "$tmp/c.txt" 2>/dev/null)
grep -qx "Bytes: 6" <<<"$out" || fail "accented address sent escaped: $out"

"$vedra" --workdir "$work" fetch "$base/missing" "$tmp/m.txt" >/dev/null 2>"$tmp/err"
[ $? -eq 1 ] || fail "404 exit status"
grep -q "error>400" "$tmp/err" || fail "404 row: $(cat "$tmp/err")"
[ ! -e "$tmp/m.txt" ] || fail "404 wrote a file"

"$vedra" --workdir "$work" fetch "http://127.0.0.1:1/x" "$tmp/r.txt" >/dev/null 2>"$tmp/err"
[ $? -eq 1 ] || fail "refused exit status"
grep -q "nothing was fetched" "$tmp/err" || fail "refused message: $(cat "$tmp/err")"

"$vedra" --workdir "$work" fetch >/dev/null 2>&1; [ $? -eq 2 ] || fail "fetch without URL accepted"

# A host name goes through the resolver, which runs on threads of the web library:
# a statically linked `vedra` that loaded the library itself crashed here.
host=$(hostname 2>/dev/null)
if [ -n "$host" ] && getent hosts "$host" 2>/dev/null | grep -q '^127\.0\.0\.1[[:space:]]'; then
  out=$("$vedra" --workdir "$work" fetch "http://$host:$port/page.html" "$tmp/h.txt" 2>"$tmp/err")
  [ $? -eq 0 ] || fail "fetch by host name: $(cat "$tmp/err")"
  [ "$(cat "$tmp/h.txt" 2>/dev/null)" = hello ] || fail "content fetched by host name"
else
  echo "note: $host does not resolve to 127.0.0.1 here; the host-name case is left out"
fi

# Where the fetch program is missing, `vedra` says so (a static `vedra` hands fetches
# over to it; a dynamic one fetches itself and never looks).
if ! readelf -l "$vedra" 2>/dev/null | grep -q INTERP; then
  VEDRA_FETCH_PROGRAM=$tmp/none "$vedra" --workdir "$work" fetch "$base/page.html" "$tmp/n.txt" >/dev/null 2>"$tmp/err"
  [ $? -eq 1 ] || fail "missing fetch program: exit status"
  grep -q "cannot start the fetch program '$tmp/none'" "$tmp/err" || fail "missing fetch program: $(cat "$tmp/err")"
  [ ! -e "$tmp/n.txt" ] || fail "missing fetch program wrote a file"
fi

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
