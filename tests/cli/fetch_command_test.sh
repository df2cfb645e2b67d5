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

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
