# What the benchmark scripts share; each sources it after setting `bench_name`
# (its name in messages) and `usage_lines` (the last line of its header to show).

usage() {
  sed -n "2,${usage_lines}s/^# \{0,1\}//p" "$0" >&2
  exit 2
}

die() {
  echo "$bench_name: $*" >&2
  exit 1
}

# Debian packages, installed only when missing (as scripts/install-deps does).
apt_install() {
  local missing=() package status
  for package in "$@"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
  done
  ((${#missing[@]} == 0)) && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}
