#!/usr/bin/env bash
# The desktop files of the package, checked with the tools that read them: the
# desktop entry and the AppStream metainfo pass their validators, the metainfo
# launches the desktop entry that exists, the manual pages build from scdoc
# without groff warnings, and the icon renders into every hicolor size. A check
# whose tool is not installed is skipped with a message; the vedra binary given as
# $1 is not run. The live index's user unit and autostart template are checked
# the same way.
set -u
resources=$(cd "$(dirname "$0")/../../resources" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
checked=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
have() {
  command -v "$1" >/dev/null 2>&1 && return 0
  echo "skipped: $1 is not installed (Debian package $2)"
  return 1
}

desktop=$resources/desktop/vedrareader.desktop
metainfo=$(echo "$resources"/desktop/*.metainfo.xml)

if have desktop-file-validate desktop-file-utils; then
  checked=$((checked + 1))
  # Hints and warnings count too: the entry must be clean.
  out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed: $out"
  [[ -z $out ]] || fail "desktop-file-validate: $out"
fi
grep -qx 'Exec=vedrareader' "$desktop" || fail "the entry does not start vedrareader without arguments"
for key in Name Comment GenericName Keywords; do
  for lang in it es; do
    grep -q "^$key\[$lang\]=." "$desktop" || fail "no ${key}[$lang] in the desktop entry"
  done
done

# The live index's autostart template: clean, hidden from menus, starting the
# watcher, and marked with the line by which the program knows its own copies.
watch_entry=$resources/desktop/vedra-watch.desktop
if have desktop-file-validate desktop-file-utils; then
  checked=$((checked + 1))
  out=$(desktop-file-validate "$watch_entry" 2>&1) || fail "desktop-file-validate vedra-watch.desktop failed: $out"
  [[ -z $out ]] || fail "desktop-file-validate vedra-watch.desktop: $out"
fi
for line in 'Exec=vedra watch' 'NoDisplay=true' 'Terminal=false'; do
  grep -qxF "$line" "$watch_entry" || fail "vedra-watch.desktop lacks $line"
done
marker=$(grep -o 'X-VedraReader-Autostart=[A-Za-z-]*' "$resources/../src/core/watch/WatchService.h" | head -n 1)
[[ -n $marker ]] && grep -qxF "$marker" "$watch_entry" || fail "vedra-watch.desktop lacks the marker '$marker' the program looks for"

# The user unit: what it runs and how, and that systemd reads every line of it.
unit=$resources/systemd/vedra-watch.service
for line in 'ExecStart=/usr/bin/vedra watch' 'Nice=19' 'IOSchedulingClass=idle' 'Restart=on-failure' \
  'WantedBy=default.target'; do
  grep -qxF "$line" "$unit" || fail "vedra-watch.service lacks $line"
done
grep -q '^RestartSec=[1-9]' "$unit" || fail "vedra-watch.service restarts without a pause"
grep -q '^Description=..........' "$unit" || fail "vedra-watch.service has no description"
if have systemd-analyze systemd; then
  checked=$((checked + 1))
  # Checked as a copy that runs a program this machine has: the unit's own
  # program is there only once the package is installed. Its man page too: the
  # unit's Documentation= is checked against the tree instead of the machine's man.
  mkdir -m 700 "$tmp/runtime"
  sed "s|^ExecStart=/usr/bin/vedra |ExecStart=$(command -v true) |" "$unit" > "$tmp/vedra-watch.service"
  out=$(XDG_RUNTIME_DIR=$tmp/runtime systemd-analyze verify --man=no --user "$tmp/vedra-watch.service" 2>&1) ||
    fail "systemd-analyze verify vedra-watch.service failed: $out"
  [[ -z $out ]] || fail "systemd-analyze verify vedra-watch.service: $out"
  while read -r page; do
    [[ -f $resources/man/$page.scd ]] || fail "vedra-watch.service documents man:$page, which the tree does not have"
  done < <(sed -n 's/^Documentation=man:\([a-z-]*\)(\([1-8]\))$/\1.\2/p' "$unit")
fi

if [[ ! -f $metainfo ]]; then
  fail "no metainfo file in $resources/desktop"
else
  id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
  [[ $(basename "$metainfo") == "$id.metainfo.xml" ]] || fail "metainfo file name does not match its id '$id'"
  launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
  [[ $launchable == "$(basename "$desktop")" ]] || fail "launchable '$launchable' is not $(basename "$desktop")"
  for binary in vedra vedrareader; do
    grep -q "<binary>$binary</binary>" "$metainfo" || fail "metainfo does not provide $binary"
  done
  if have appstreamcli appstream; then
    checked=$((checked + 1))
    out=$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1) || fail "appstreamcli validate failed: $out"
    grep -E '^(E|W):' <<<"$out" && fail "appstreamcli validate reports more than pedantic notes"
    # The installed tree: the metainfo finds its desktop entry.
    mkdir -p "$tmp/tree/usr/share/metainfo" "$tmp/tree/usr/share/applications"
    cp "$metainfo" "$tmp/tree/usr/share/metainfo/"
    cp "$desktop" "$tmp/tree/usr/share/applications/"
    out=$(appstreamcli validate-tree --no-net --no-color "$tmp/tree" 2>&1) || fail "appstreamcli validate-tree: $out"
  fi
fi

if have scdoc scdoc && have groff groff-base; then
  checked=$((checked + 1))
  for page in vedra vedrareader; do
    scdoc <"$resources/man/$page.1.scd" >"$tmp/$page.1" 2>"$tmp/err" || fail "scdoc $page.1.scd: $(cat "$tmp/err")"
    out=$(groff -man -Tutf8 -ww -z "$tmp/$page.1" 2>&1)
    [[ -z $out ]] || fail "groff warnings in $page.1: $out"
    if command -v lexgrog >/dev/null 2>&1; then
      lexgrog "$tmp/$page.1" | grep -q "\"$page - " || fail "lexgrog finds no NAME line in $page.1"
    fi
  done
  # Every command of the CLI has its entry in vedra(1).
  for command in info create archives index search show stats notes memo open calc graph fetch; do
    grep -q "^\*$command\*\|^\*$command [a-z]*\*" "$resources/man/vedra.1.scd" || fail "vedra(1) has no entry for $command"
  done
fi

if have rsvg-convert librsvg2-bin; then
  checked=$((checked + 1))
  "$resources/icons/render-icons.sh" "$resources/icons/vedrareader.svg" "$tmp/icons" || fail "render-icons.sh failed"
  for size in 16 22 24 32 48 64 128 256; do
    png=$tmp/icons/${size}x$size/apps/vedrareader.png
    if [[ ! -s $png ]]; then
      fail "no $png"
      continue
    fi
    # The PNG header: width and height, big-endian, at bytes 16 and 20.
    read -r w0 w1 w2 w3 h0 h1 h2 h3 < <(od -A n -t u1 -j 16 -N 8 "$png")
    width=$(((w0 << 24) | (w1 << 16) | (w2 << 8) | w3))
    height=$(((h0 << 24) | (h1 << 16) | (h2 << 8) | h3))
    [[ $width == "$size" && $height == "$size" ]] || fail "$png is ${width}x$height"
  done
  [[ -z $(find "$tmp/icons" -name '*.tmp') ]] || fail "render-icons.sh left temporary files"
fi
# Without rsvg-convert the script says so and fails, rather than installing no icons.
bash_path=$(command -v bash)
out=$(PATH=/nonexistent "$bash_path" "$resources/icons/render-icons.sh" "$resources/icons/vedrareader.svg" "$tmp/none" 2>&1)
status=$?
[[ $status -ne 0 ]] || fail "render-icons.sh without rsvg-convert exited 0"
grep -q "rsvg-convert is missing" <<<"$out" || fail "render-icons.sh without rsvg-convert said: $out"

if [ $failures -ne 0 ]; then echo "0 passed, 1 failed"; exit 1; fi
if [ $checked -eq 0 ]; then echo "0 passed, 0 failed, 1 skipped"; exit 0; fi
echo "1 passed, 0 failed"
exit 0
