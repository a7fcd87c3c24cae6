#!/usr/bin/env bash
# Makes sure the Debian packages of one or more lists are installed, and
# installs the missing ones. Silent when everything is already there.
#
# Usage: tools/setup.sh LIST...
#   LIST  a list in tools/packages (play, window, record, test) or the path of
#         a file with one package name a line; '#' starts a comment
# Environment:
#   LUMENFALL_NO_SETUP=1  do nothing (for people who manage packages themselves)
# Exit status: 0 everything is installed (or the check was skipped), 1 packages
# are missing and could not be installed (the command to run is printed),
# 2 usage error.
set -euo pipefail

packages_dir="$(cd "$(dirname "$0")" && pwd)/packages"

say() {
    echo "setup: $*" >&2
}

usage() {
    echo "usage: tools/setup.sh LIST..."
    echo "  LIST: $(cd "$packages_dir" && ls -- *.txt | sed 's/\.txt$//' | tr '\n' ' ')or a file"
    echo "  installs the missing Debian packages of the lists; LUMENFALL_NO_SETUP=1 skips"
}

case "${1:-}" in
    -h|--help) usage; exit 0 ;;
    "") usage >&2; exit 2 ;;
esac
[ "${LUMENFALL_NO_SETUP:-0}" = 0 ] || exit 0

# Package names of every list, comments and blank lines dropped, each once.
wanted=()
for list in "$@"; do
    file=$list
    [ -f "$file" ] || file="$packages_dir/$list.txt"
    if [ ! -f "$file" ]; then
        say "no package list '$list'"
        usage >&2
        exit 2
    fi
    while read -r name; do
        [ -n "$name" ] && wanted+=("$name")
    done < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$file")
done
[ ${#wanted[@]} -gt 0 ] || exit 0
mapfile -t wanted < <(printf '%s\n' "${wanted[@]}" | sort -u)

if ! command -v dpkg-query >/dev/null 2>&1; then
    say "not a Debian system: skipping the package check; make sure these are installed:"
    say "  ${wanted[*]}"
    exit 0
fi

# One query for all names; names dpkg has never heard of print nothing on
# stdout (only a complaint on stderr), so they count as missing too.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${wanted[@]}" 2>/dev/null |
            awk '$NF == "installed" { print $1 }' || true)
missing=()
for name in "${wanted[@]}"; do
    grep -qxF -- "$name" <<<"$installed" || missing+=("$name")
done
[ ${#missing[@]} -gt 0 ] || exit 0

install_command=(apt-get install -y --no-install-recommends "${missing[@]}")
cant_install() {
    say "$1"
    say "install them as root, then run this again:"
    echo "    ${install_command[*]}" >&2
    say "(or set LUMENFALL_NO_SETUP=1 to manage the packages yourself)"
    exit 1
}

say "missing Debian packages: ${missing[*]}"
if [ "$(id -u)" = 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    cant_install "not root and no sudo: cannot install ${missing[*]}"
fi

# The package lists may be absent (a fresh system) or stale, so they are
# refreshed first; noninteractive keeps debconf from asking questions.
if ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q >&2 ||
   ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive "${install_command[@]}" >&2; then
    cant_install "could not install ${missing[*]}"
fi
