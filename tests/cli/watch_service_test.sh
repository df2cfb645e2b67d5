#!/usr/bin/env bash
# `vedra watch --enable` and `--disable` as a user meets them, in a home folder
# and an installed layout made here (the program in prefix/bin, its data in
# prefix/share/vedrareader), with a fake systemctl first on PATH: where a user
# manager answers, the unit is enabled and disabled; where none does, the
# autostart entry is written and a real watcher started, which indexes a new file
# before the search looks for it, and both are undone. An entry the user wrote is
# never touched; a build that is not installed says what is missing.
source "$(dirname "$0")/test_support.sh"
resources=$(cd "$(dirname "$0")/../../resources" && pwd)

prefix=$tmp/prefix
home=$tmp/home
fakebin=$tmp/fakebin
mkdir -p "$prefix/bin" "$prefix/share/vedrareader" "$home" "$fakebin" "$tmp/docs"
# The program knows it is installed by the folder beside its own (real) path.
ln "$vedra" "$prefix/bin/vedra" 2>/dev/null || cp "$vedra" "$prefix/bin/vedra"
cp "$resources/desktop/vedra-watch.desktop" "$prefix/share/vedrareader/"
entry=$home/.config/autostart/vedra-watch.desktop
config_home=
user() { env -i HOME="$home" PATH="$fakebin:$prefix/bin:/usr/bin:/bin" LANG=C.UTF-8 \
  ${config_home:+XDG_CONFIG_HOME=$config_home} "$@"; }
started=
# True while `pid` runs: not gone, and not a zombie its new parent has yet to collect.
running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  [[ ${stat##*) } != Z* ]]
}
trap 'if [[ -n $started ]]; then kill "$started" 2>/dev/null; fi; rm -rf "$tmp"' EXIT

# systemctl answering as a user manager would, or not at all.
fake_systemctl() {
  cat > "$fakebin/systemctl" <<EOF
#!/bin/sh
echo "\$*" >> "$tmp/systemctl-calls"
case "\$2" in
  show-environment) [ $1 = answers ] && exit 0; echo "Failed to connect to bus" >&2; exit 1 ;;
  is-enabled|is-active) [ -e "$tmp/enabled" ] && exit 0; exit 1 ;;
  enable) touch "$tmp/enabled"; exit 0 ;;
  disable) rm -f "$tmp/enabled"; exit 0 ;;
esac
exit 64
EOF
  chmod +x "$fakebin/systemctl"
}

# Not installed: no template to copy.
fake_systemctl silent
out=$(user "$vedra" --workdir "$tmp/work" watch --enable 2>&1)
status=$?
[[ $status -eq 1 ]] || fail "enable without a template exited $status"
grep -q "autostart template vedra-watch.desktop is missing" <<<"$out" || fail "enable without a template: $out"
[[ ! -e $entry ]] || fail "enable without a template wrote $entry"

# A user manager answers: the unit, and nothing in the autostart folder.
fake_systemctl answers
out=$(user vedra watch --enable 2>&1) || fail "enable by systemd exited $?: $out"
[[ $out == "Live index turned on: systemd user service vedra-watch.service" ]] || fail "enable by systemd said: $out"
grep -qx -- "--user enable --now vedra-watch.service" "$tmp/systemctl-calls" || fail "systemctl calls: $(cat "$tmp/systemctl-calls")"
[[ ! -e $entry ]] || fail "enable by systemd wrote $entry"
out=$(user vedra watch --disable 2>&1) || fail "disable by systemd exited $?: $out"
[[ $out == "Live index turned off: systemd user service vedra-watch.service disabled and stopped" ]] ||
  fail "disable by systemd said: $out"

# None answers: the entry, and a watcher that keeps the archive up to date now.
fake_systemctl silent
printf 'lanterna giardino\n' > "$tmp/docs/a.txt"
user vedra create docs >/dev/null 2>&1 || fail "vedra create"
user vedra index "$tmp/docs" >/dev/null 2>&1 || fail "vedra index"
out=$(user vedra watch --enable 2>&1) || fail "enable by autostart exited $?: $out"
pid=$(sed -n 's|^Live index turned on: autostart entry ~/.config/autostart/vedra-watch.desktop, watcher started (PID \([0-9]*\))$|\1|p' <<<"$out")
if [[ -z $pid ]]; then
  fail "enable by autostart said: $out"
else
  started=$pid
  cmp -s "$entry" "$resources/desktop/vedra-watch.desktop" || fail "$entry is not the template"
  user vedra watch --status | grep -q "(PID $pid)" || fail "status does not name the watcher $pid"
  printf 'the word quetzalwatchone\n' > "$tmp/docs/new.txt"
  found=
  for _ in $(seq 1 100); do
    if user vedra search quetzalwatchone 2>/dev/null | grep -q "$tmp/docs/new.txt"; then found=yes; break; fi
    sleep 0.1
  done
  [[ -n $found ]] || fail "the watcher did not index a new file within 10 s ($(cat "$home/.local/share/vedrareader/vedraprog/vedrawatch.log"))"
  # A second turn-on finds it running.
  out=$(user vedra watch --enable 2>&1) || fail "second enable exited $?"
  grep -q "watcher already running (PID $pid)" <<<"$out" || fail "second enable said: $out"

  out=$(user vedra watch --disable 2>&1) || fail "disable by autostart exited $?: $out"
  [[ $out == "Live index turned off: autostart entry ~/.config/autostart/vedra-watch.desktop removed
Watcher stopped (PID $pid)" ]] || fail "disable by autostart said: $out"
  [[ ! -e $entry ]] || fail "disable left $entry"
  running "$pid" && fail "the watcher $pid still runs"
  started=
fi

# An entry of the user's own is left alone both ways.
mkdir -p "$(dirname "$entry")"
printf '[Desktop Entry]\nType=Application\nName=Mine\nExec=vedra watch --archive 1\n' > "$entry"
cp "$entry" "$tmp/own"
out=$(user vedra watch --enable 2>&1)
status=$?
[[ $status -eq 1 ]] || fail "enable over the user's entry exited $status"
grep -q "was not written by VedraReader" <<<"$out" || fail "enable over the user's entry said: $out"
user vedra watch --status >/dev/null && fail "enable over the user's entry started a watcher"
user vedra watch --disable >/dev/null 2>&1
cmp -s "$entry" "$tmp/own" || fail "the user's entry was changed"
rm -f "$entry"

# XDG_CONFIG_HOME, when absolute, holds the autostart folder.
config_home=$tmp/config
out=$(user vedra watch --enable 2>&1) || fail "enable with XDG_CONFIG_HOME exited $?: $out"
[[ -f $config_home/autostart/vedra-watch.desktop && ! -e $entry ]] || fail "the entry is not under XDG_CONFIG_HOME"
started=$(sed -n 's/.*(PID \([0-9]*\))$/\1/p' <<<"$out")
user vedra watch --disable >/dev/null 2>&1 || fail "disable with XDG_CONFIG_HOME"
[[ ! -e $config_home/autostart/vedra-watch.desktop ]] || fail "the entry under XDG_CONFIG_HOME was left"
started=

if [ $failures -ne 0 ]; then echo "0 passed, 1 failed"; exit 1; fi
echo "1 passed, 0 failed"
