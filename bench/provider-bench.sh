#!/usr/bin/env bash
# The wait of the desktop's search box on vedra-search-provider, over an archive of
# /usr/share/doc and /usr/include: a bus of its own (dbus-run-session) starts the
# provider from a service file as the desktop does, and one client process
# (bench/ProviderLatency.cpp) times each question to its answer.
#
#   bench/provider-bench.sh [--build BUILD_DIR] [--rounds N] [--work DIR]
#
#   --build DIR   build folder (default: <repo>/build) holding vedra,
#                 vedra-search-provider and vedra_provider_latency
#   --rounds N    times every query is asked (default 3)
#   --work DIR    working folder of the archive; made and indexed when it has no
#                 catalogue, reused otherwise (default: a temporary folder)
#
# What is timed, per query, after one untimed question that starts the provider
# and opens the archive: GNOME Shell's first results (GetInitialResultSet, then
# GetResultMetas of the first five ids) and KRunner's Match (20 rows and the
# "search in the window" row). Median and 90th percentile over every run of the
# 30 queries.
set -euo pipefail
bench_name=provider-bench
usage_lines=17
source "$(dirname "$0")/bench-lib.sh"

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$root/build"
rounds=3
work=""
while (($# > 0)); do
  case "$1" in
    --build) (($# >= 2)) || die "--build needs a folder"; build_dir=$2; shift ;;
    --rounds) (($# >= 2)) || die "--rounds needs a number"; rounds=$2; shift ;;
    --work) (($# >= 2)) || die "--work needs a folder"; work=$2; shift ;;
    -h | --help) usage ;;
    *) die "unknown argument '$1'" ;;
  esac
  shift
done
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || die "--rounds needs a positive number"
vedra=$build_dir/src/cli/vedra
provider=$build_dir/src/searchprovider/vedra-search-provider
client=$build_dir/bench/vedra_provider_latency
for program in "$vedra" "$provider" "$client"; do
  [[ -x $program ]] || die "$program missing (ninja -C $build_dir)"
done
command -v dbus-run-session >/dev/null || die "dbus-run-session missing (Debian package dbus-daemon)"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
[[ -n $work ]] || work=$tmp/work
mkdir -p "$work"
work=$(cd "$work" && pwd)
if [[ ! -f $work/IND_ARC.PRI ]]; then
  echo "$bench_name: indexing /usr/share/doc and /usr/include into $work" >&2
  "$vedra" --workdir "$work" create bench >/dev/null 2>&1 || die "vedra create failed"
  for folder in /usr/share/doc /usr/include; do
    "$vedra" --workdir "$work" index "$folder" >/dev/null 2>&1 || die "vedra index $folder failed"
  done
fi

# Frequent, medium and rare words of both folders, alone and in pairs (all required).
queries=(license return printf socket inotify strtok copyright debian python kernel buffer thread
  signal string unicode locale timeout pointer malloc errno
  "socket bind" "mutex lock" "memcpy strlen" "file descriptor" "error handling" "network address"
  "compression level" "version number" "shared library" "user manual")

mkdir -p "$tmp/services"
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
echo "archive: $("$vedra" --workdir "$work" search license --count --limit 0 2>/dev/null) documents hold 'license'"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
dbus-run-session --config-file="$tmp/session.conf" -- "$client" "$rounds" "${queries[@]}" 2>"$tmp/bus.log" \
  || { cat "$tmp/bus.log" >&2; die "the client failed"; }
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
