#!/usr/bin/env bash
# Fetches Unicorn 2.1.1, the emulator engine of the emulated second core, as
# Debian 13 packages it (libunicorn2t64 and libunicorn-dev for amd64), from
# Debian's archive, and unpacks it into .deps/unicorn-2.1.1 of this checkout.
# Nothing is installed system-wide: Debian 12's own libunicorn-dev (2.0.1)
# stays, and the build falls back to it when this directory is missing.
#
# Why: 2.0.1 takes a slow path on every store the emulated program makes
# (about 45 ns; 2.1 dropped it), and a renderer stores a word for every
# pixel, so with 2.0.1 the emulated core plays the demo below real time.
# The packages need only libc 2.34 or newer, which Debian 12 has; the
# simulator links the static library, so nothing changes at run time.
#
# Usage: tools/fetch_unicorn.sh [-h|--help]
# Environment: LUMENFALL_NO_SETUP=1 or LUMENFALL_SYSTEM_UNICORN=1 skip it
# (the build then uses the system's Unicorn); LUMENFALL_UNICORN_ARCHIVE (a
# URL curl or wget takes) and LUMENFALL_DEPS (instead of .deps) for tests.
# Exit status: 0 unpacked (or already there, or skipped, or not an amd64
# machine), 1 it could not be fetched or did not match its checksum (the
# build then uses the system's Unicorn), 2 usage error.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dest=${LUMENFALL_DEPS:-$root/.deps}/unicorn-2.1.1
archive=${LUMENFALL_UNICORN_ARCHIVE:-http://deb.debian.org/debian/pool/main/u/unicorn-engine}
# The files and their SHA-256, as Debian 13's package index lists them; a
# file that does not match is never unpacked.
packages=(
    "libunicorn2t64_2.1.1-2+b2_amd64.deb 3f760a28c65a93662edbcb21fceb2e0a1c0ab0e8277564fc572e6532949e3e3f"
    "libunicorn-dev_2.1.1-2+b2_amd64.deb 479613e244a6023c03708951a5f0e00fc96c83a4b74b4d74c9fe7d3a9050208b"
)

say() {
    echo "fetch_unicorn: $*" >&2
}

case "${1:-}" in
    -h|--help)
        sed -n '2,/^set -euo/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//'
        exit 0 ;;
    "") ;;
    *) say "unknown argument '$1' (try --help)"; exit 2 ;;
esac
[ "${LUMENFALL_NO_SETUP:-0}" = 0 ] && [ "${LUMENFALL_SYSTEM_UNICORN:-0}" = 0 ] || exit 0
[ -f "$dest/.complete" ] && exit 0
if [ "$(uname -m)" != x86_64 ]; then
    say "only amd64 packages are pinned here; the build uses the system's Unicorn"
    exit 0
fi

fallback() {
    say "$1"
    say "the build uses the system's Unicorn instead (2.0.1 on Debian 12: the emulated"
    say "second core then runs below real time)"
    exit 1
}
download() { # URL FILE
    if command -v curl >/dev/null 2>&1; then
        curl -fsS --retry 2 -m 300 -o "$2" "$1"
    elif command -v wget >/dev/null 2>&1; then
        wget -q -T 300 -O "$2" "$1"
    else
        return 127
    fi
}

work=$(mktemp -d "${TMPDIR:-/tmp}/fetch-unicorn-XXXXXX")
trap 'rm -rf "$work"' EXIT
say "fetching Unicorn 2.1.1 from Debian's archive into .deps/"
for entry in "${packages[@]}"; do
    file=${entry% *} sum=${entry#* }
    download "$archive/${file//+/%2b}" "$work/$file" ||
        fallback "could not download $archive/$file (no network, or curl/wget missing)"
    echo "$sum  $work/$file" | sha256sum --quiet -c - >/dev/null 2>&1 ||
        fallback "$file does not have the expected SHA-256; not unpacking it"
    dpkg-deb -x "$work/$file" "$work/root" || fallback "dpkg-deb could not unpack $file"
done
[ -f "$work/root/usr/lib/x86_64-linux-gnu/libunicorn.a" ] ||
    fallback "the packages hold no static library; not using them"

# Into place in one step, so that a half-unpacked tree is never used.
rm -rf "$dest"
mkdir -p "$(dirname "$dest")"
mv "$work/root" "$dest"
touch "$dest/.complete"
say "done: $dest"
