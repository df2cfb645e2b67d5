# The common start of the CLI test scripts, sourced by each: the `vedra` under
# test (the script's first argument), a scratch folder $tmp removed at exit, and
# fail, which reports a check and counts it for the script's exit status.
set -u
vedra=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# True when `vedra` is built with AddressSanitizer, which reads text several times
# slower: a test that needs a long run can make it shorter there.
sanitized_build() { ldd "$vedra" 2>/dev/null | grep -q libasan; }
