#!/usr/bin/env bash
# The desktop search provider on a bus of its own (dbus-run-session), started by
# the bus from a service file as the desktop starts it, and called with gdbus as
# GNOME Shell and KRunner call it: the rows found are those whose files hold the
# words (read here with grep), their names and folders, and opening a row starts
# the test's stand-in xdg-open on that file; "more results" starts the stand-in
# window with the words. Arguments: vedra, vedra-search-provider.
set -u
vedra=$1
provider=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for tool in dbus-run-session gdbus; do
  command -v $tool >/dev/null || { echo "skipped: $tool is not installed (scripts/install-deps)"; exit 0; }
done

# The installed entries name the bus name and objects the provider serves.
resources=$(cd "$(dirname "$0")/../../resources/searchprovider" && pwd)
source_main=$(dirname "$0")/../../src/searchprovider/main.cpp
for pair in "vedrareader-search-provider.ini:BusName=org.vedrareader.SearchProvider" \
  "vedrareader-search-provider.ini:ObjectPath=/org/vedrareader/SearchProvider" \
  "vedrareader-search-provider.ini:DesktopId=vedrareader.desktop" \
  "vedrareader-krunner.desktop:X-Plasma-DBusRunner-Service=org.vedrareader.SearchProvider" \
  "vedrareader-krunner.desktop:X-Plasma-DBusRunner-Path=/org/vedrareader/KRunner" \
  "org.vedrareader.SearchProvider.service.in:Name=org.vedrareader.SearchProvider"; do
  file=${pair%%:*} line=${pair#*:}
  grep -qxF "$line" "$resources/$file" || fail "$file lacks $line"
  grep -qF "\"${line#*=}\"" "$source_main" || [[ $line == DesktopId=* ]] || fail "the provider does not serve ${line#*=}"
done

work=$tmp/work
docs=$tmp/docs
mkdir -p "$work" "$docs/sub" "$docs/100%" "$tmp/bin" "$tmp/services"
printf 'garden party tonight\n' > "$docs/a.txt"
printf '<p>house garden window</p>\n' > "$docs/sub/b.html"
printf 'nothing of the kind\n' > "$docs/c.txt"
printf 'a garden in cp1252\n' > "$docs/caf$(printf '\xe9').txt"
printf 'garden of percent\n' > "$docs/100%/p.txt"
"$vedra" --workdir "$work" create docs >/dev/null 2>&1 || fail "create"
"$vedra" --workdir "$work" index "$docs" >/dev/null 2>&1 || fail "index"

# Stand-ins that record their arguments, one per line, one file per start.
cat > "$tmp/bin/xdg-open" <<'SH'
#!/bin/sh
printf '%s\n' "$@" > "$(dirname "$0")/opened.tmp" && mv "$(dirname "$0")/opened.tmp" "$(dirname "$0")/opened"
SH
cat > "$tmp/bin/window" <<'SH'
#!/bin/sh
printf '%s\n' "$@" > "$0.tmp" && mv "$0.tmp" "$0.argv"
SH
chmod 755 "$tmp/bin/xdg-open" "$tmp/bin/window"

printf '[D-BUS Service]\nName=org.vedrareader.SearchProvider\nExec=%s --workdir %s\n' "$provider" "$work" \
  > "$tmp/services/org.vedrareader.SearchProvider.service"
cat > "$tmp/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=$tmp</listen>
  <servicedir>$tmp/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF

cat > "$tmp/calls.sh" <<'SH'
set -u
gnome() { gdbus call --session -d org.vedrareader.SearchProvider -o /org/vedrareader/SearchProvider \
  -m org.gnome.Shell.SearchProvider2."$@"; }
runner() { gdbus call --session -d org.vedrareader.SearchProvider -o /org/vedrareader/KRunner -m org.kde.krunner1."$@"; }
out=$1
gnome GetInitialResultSet "['garden']" > "$out/initial" 2>&1
gnome GetSubsearchResultSet "['x']" "['garden', 'party']" > "$out/subsearch" 2>&1
gnome GetResultMetas "['$DOCS/sub/b.html', '$DOCS/caf%E9.txt', '$DOCS/100%25/p.txt']" > "$out/metas" 2>&1
gnome ActivateResult "$DOCS/caf%E9.txt" "['garden']" 0 > "$out/activate" 2>&1
for _ in $(seq 100); do [ -f "$BIN/opened" ] && break; sleep 0.05; done
mv "$BIN/opened" "$out/opened-gnome" 2>/dev/null
gnome ActivateResult "$DOCS/gone.txt" "['garden']" 0 > "$out/activate-gone" 2>&1
gnome LaunchSearch "['garden', 'party']" 0 > "$out/launch" 2>&1
for _ in $(seq 100); do [ -f "$BIN/window.argv" ] && break; sleep 0.05; done
mv "$BIN/window.argv" "$out/window-gnome" 2>/dev/null
runner Actions > "$out/actions" 2>&1
runner Match "garden party" > "$out/match" 2>&1
runner Run "$DOCS/a.txt" "" > "$out/run" 2>&1
for _ in $(seq 100); do [ -f "$BIN/opened" ] && break; sleep 0.05; done
mv "$BIN/opened" "$out/opened-runner" 2>/dev/null
runner Run "$DOCS/sub/b.html" "folder" > "$out/run-folder" 2>&1
for _ in $(seq 100); do [ -f "$BIN/opened" ] && break; sleep 0.05; done
mv "$BIN/opened" "$out/opened-folder" 2>/dev/null
runner Run "%window:garden party" "" > "$out/run-window" 2>&1
for _ in $(seq 100); do [ -f "$BIN/window.argv" ] && break; sleep 0.05; done
mv "$BIN/window.argv" "$out/window-runner" 2>/dev/null
# An indexing run while the provider keeps the archive open: the next question sees it.
printf 'late garden\n' > "$DOCS/d.txt"
"$VEDRA" --workdir "$WORK" index "$DOCS" >/dev/null 2>&1
gnome GetInitialResultSet "['garden']" > "$out/after-index" 2>&1
gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
  -m org.freedesktop.DBus.GetConnectionUnixProcessID org.vedrareader.SearchProvider > "$out/pid" 2>&1
SH
# What the provider should find, read before it runs (the calls add a file).
expected=$(grep -rl garden "$docs" | sed "s|$docs/caf$(printf '\xe9').txt|$docs/caf%E9.txt|; s|$docs/100%/|$docs/100%25/|" | sort)
mkdir -p "$tmp/out"
PATH="$tmp/bin:$PATH" VEDRA_WINDOW_PROGRAM="$tmp/bin/window" DOCS="$docs" BIN="$tmp/bin" VEDRA="$vedra" WORK="$work" \
  timeout 120 dbus-run-session --config-file="$tmp/session.conf" -- bash "$tmp/calls.sh" "$tmp/out" 2>"$tmp/bus-errors"
o=$tmp/out

# The rows are the files that hold the word, read with grep, each once.
ids() { grep -o "'[^']*'" "$1" | tr -d "'" | sort; }
[ "$(ids "$o/initial")" = "$expected" ] || fail "GetInitialResultSet: $(cat "$o/initial") (expected $expected)"
[ "$(ids "$o/subsearch")" = "$docs/a.txt" ] || fail "GetSubsearchResultSet: $(cat "$o/subsearch")"

grep -q "'name': <'b.html'>" "$o/metas" && grep -q "'description': <'$docs/sub'>" "$o/metas" \
  || fail "metas of b.html: $(cat "$o/metas")"
grep -q "'name': <'café.txt'>" "$o/metas" || fail "a cp1252 name shown as UTF-8: $(cat "$o/metas")"
grep -q "'name': <'p.txt'>, 'description': <'$docs/100%'>\|'description': <'$docs/100%'>" "$o/metas" \
  || fail "metas of the '%' folder: $(cat "$o/metas")"

[ "$(cat "$o/opened-gnome" 2>/dev/null)" = "$docs/caf$(printf '\xe9').txt" ] \
  || fail "ActivateResult opened: $(cat "$o/opened-gnome" 2>/dev/null) $(cat "$o/activate")"
grep -q "FileMissing" "$o/activate-gone" || fail "a gone file is reported: $(cat "$o/activate-gone")"
[ "$(cat "$o/window-gnome" 2>/dev/null)" = "$(printf -- '--search\ngarden party')" ] \
  || fail "LaunchSearch started: $(cat "$o/window-gnome" 2>/dev/null) $(cat "$o/launch")"

grep -q "('folder', " "$o/actions" || fail "Actions: $(cat "$o/actions")"
grep -q "^(\[('$docs/a.txt', 'a.txt', 'text-x-generic', 30, " "$o/match" || fail "Match, first row: $(cat "$o/match")"
grep -q "'subtext': <'$docs'>" "$o/match" || fail "Match subtext: $(cat "$o/match")"
grep -q "('%window:garden party', 'Search for “garden party” in VedraReader', 'vedrareader'" "$o/match" \
  || fail "Match, the window row: $(cat "$o/match")"
[ "$(grep -o "('$docs" "$o/match" | wc -l)" = 1 ] || fail "Match rows: $(cat "$o/match")"
[ "$(cat "$o/opened-runner" 2>/dev/null)" = "$docs/a.txt" ] || fail "Run opened: $(cat "$o/opened-runner" 2>/dev/null) $(cat "$o/run")"
[ "$(cat "$o/opened-folder" 2>/dev/null)" = "$docs/sub/" ] || fail "Run folder opened: $(cat "$o/opened-folder" 2>/dev/null) $(cat "$o/run-folder")"
[ "$(cat "$o/window-runner" 2>/dev/null)" = "$(printf -- '--search\ngarden party')" ] \
  || fail "Run of the window row: $(cat "$o/window-runner" 2>/dev/null) $(cat "$o/run-window")"

grep -q "'$docs/d.txt'" "$o/after-index" || fail "a file indexed while the provider ran: $(cat "$o/after-index")"
grep -q "^(uint32 [0-9]*,)" "$o/pid" || fail "the provider was not running to the end: $(cat "$o/pid")"
# The session has ended: the provider must end with its bus, or it would live on
# holding the archive (and this test's output) open.
pid=$(grep -o "[0-9][0-9]*" "$o/pid" | tail -n 1)
if [[ -n $pid ]]; then
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    fail "the provider outlived its bus"
    kill "$pid"
  fi
fi

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "bus: $(head -c 2000 "$tmp/bus-errors")"
echo "0 passed, 1 failed"; exit 1
