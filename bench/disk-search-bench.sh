#!/usr/bin/env bash
# Times the search directly on disk (`vedra search WORDS --on-disk ROOT`, no
# archive) against ripgrep (`rg -l -i -w WORD ROOT`) on the same folders and
# words, cold and warm page cache, and compares the files each one finds.
#
#   bench/disk-search-bench.sh [--build BUILD_DIR] [--runs N] [--before VEDRA] [--roots "R1 R2"] [--words "W1 W2"]
#
#   --build DIR    build folder (default: <repo>/build)
#   --runs N       warm runs of every command, median taken (default 7)
#   --before PATH  another vedra binary timed the same way (an older build)
#   --roots        folders searched (default: /usr/include /usr/share/doc)
#   --words        words searched (default: two rare, two common)
#
# Cold: the page cache is dropped (echo 3 > /proc/sys/vm/drop_caches, root only)
# before each cold run; without root the cold rows say so and are skipped.
# Everything runs under nice; the load average is printed, as the machine may be
# shared. Files found: vedra lists only the files its lists read as text (by
# extension; no hidden files), rg every file that is not binary or hidden, so
# the files rg finds beyond vedra's are counted by extension.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$here/../build
runs=7
before=""
roots="/usr/include /usr/share/doc"
words="quokka zygomatic kernel printf"
while [ $# -gt 0 ]; do
    case $1 in
    --build) build=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    --roots) roots=$2; shift 2 ;;
    --words) words=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
vedra=$build/src/cli/vedra
[ -x "$vedra" ] || { echo "no $vedra: build first" >&2; exit 2; }
if ! command -v rg >/dev/null; then
    if [ "$(id -u)" = 0 ]; then apt-get install -y ripgrep >/dev/null; else echo "install ripgrep" >&2; exit 2; fi
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
work=$tmp/work
mkdir -p "$work"
"$vedra" --workdir "$work" create bench >/dev/null 2>&1
[ -z "$before" ] || "$before" --workdir "$work" create bench >/dev/null 2>&1 || true

can_drop=0
[ "$(id -u)" = 0 ] && [ -w /proc/sys/vm/drop_caches ] && can_drop=1
drop() { sync; echo 3 > /proc/sys/vm/drop_caches; }

# Seconds of one run of "$@", output to $tmp/out.
timed() {
    local start=$EPOCHREALTIME
    nice "$@" > "$tmp/out" 2>/dev/null || true
    local end=$EPOCHREALTIME
    echo "$start $end" | awk '{printf "%.3f", $2 - $1}'
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

declare -A cmd
run_tool() {  # tool root word -> "cold warm"
    local tool=$1 root=$2 word=$3 cold="-" warm
    local -a argv
    case $tool in
    vedra) argv=("$vedra" --workdir "$work" search "$word" --on-disk "$root") ;;
    before) argv=("$before" --workdir "$work" search "$word" --on-disk "$root") ;;
    rg) argv=(rg -l -i -w "$word" "$root") ;;
    esac
    if [ $can_drop = 1 ]; then drop; cold=$(timed "${argv[@]}"); fi
    timed "${argv[@]}" >/dev/null  # warms the cache
    warm=$(for _ in $(seq "$runs"); do timed "${argv[@]}"; echo; done | median)
    echo "$cold $warm"
}

echo "# disk search bench, $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
[ $can_drop = 1 ] || echo "# cold runs skipped: not root, the page cache cannot be dropped"
printf '%-16s %-10s %-7s %9s %9s %9s %9s %7s %7s\n' root word tool cold_s warm_s ratio_cold ratio_warm files rg_only
for root in $roots; do
    for word in $words; do
        read -r rgc rgw < <(run_tool rg "$root" "$word")
        rg -l -i -w "$word" "$root" | sort > "$tmp/rg" || true
        printf '%-16s %-10s %-7s %9s %9s %9s %9s %7s %7s\n' "$root" "$word" rg "$rgc" "$rgw" 1 1 "$(wc -l < "$tmp/rg")" -
        for tool in vedra ${before:+before}; do
            read -r c w < <(run_tool $tool "$root" "$word")
            bin=$vedra; [ $tool = before ] && bin=$before
            "$bin" --workdir "$work" search "$word" --on-disk "$root" 2>/dev/null | cut -f1 | sort > "$tmp/$tool" || true
            rc=-; [ "$c" = - ] || rc=$(awk -v a="$c" -v b="$rgc" 'BEGIN{printf "%.2f", a/b}')
            rw=$(awk -v a="$w" -v b="$rgw" 'BEGIN{printf "%.2f", a/b}')
            only_rg=$(comm -13 "$tmp/$tool" "$tmp/rg" | wc -l)
            printf '%-16s %-10s %-7s %9s %9s %9s %9s %7s %7s\n' "$root" "$word" $tool "$c" "$w" "$rc" "$rw" \
                "$(wc -l < "$tmp/$tool")" "$only_rg"
            if [ $tool = vedra ]; then
                comm -23 "$tmp/vedra" "$tmp/rg" > "$tmp/vonly"
                comm -13 "$tmp/vedra" "$tmp/rg" > "$tmp/ronly"
                if [ -s "$tmp/vonly" ]; then
                    echo "    only vedra ($(wc -l < "$tmp/vonly")), first: $(head -3 "$tmp/vonly" | tr '\n' ' ')"
                fi
                if [ -s "$tmp/ronly" ]; then
                    echo "    only rg, by extension: $(sed -E 's#.*/##; s#^[^.]*$#(none)#; s#.*(\.[^.]*)$#\1#' "$tmp/ronly" |
                        sort | uniq -c | sort -rn | head -6 | awk '{printf "%s %s, ", $2, $1}')"
                fi
            else
                cmp -s "$tmp/vedra" "$tmp/before" && echo "    before and now list the same files" ||
                    echo "    before and now list different files"
            fi
        done
    done
done
echo "# load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
