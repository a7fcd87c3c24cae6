#!/usr/bin/env bash
# Makes the handheld bundle: a folder and a .tar.gz holding the stripped
# coreseed, lumenfall and lumenfall-display of the arm preset, the second
# core's renderer.img, the launcher script and the README for the device.
# Usage: tools/device_bundle.sh [OUTPUT_DIR]   (default: build/arm/bundle)
# Exit status: 0 made, 1 failed, 2 usage error.
set -euo pipefail

case "${1:-}" in
-h | --help)
    sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
-*)
    echo "device_bundle.sh: unknown option $1 (try --help)" >&2
    exit 2
    ;;
esac
[ $# -le 1 ] || { echo "usage: tools/device_bundle.sh [OUTPUT_DIR]" >&2; exit 2; }

root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/build/arm/bundle}" && cd "${1:-$root/build/arm/bundle}" && pwd)
name=lumenfall-handheld
command -v arm-none-eabi-strip >/dev/null ||
    { echo "device_bundle.sh: arm-none-eabi-strip not found (package binutils-arm-none-eabi)" >&2; exit 1; }

echo "building the arm preset..."
cd "$root"
cmake --preset arm >/dev/null
cmake --build --preset arm >/dev/null
programs=(coreseed lumenfall lumenfall-display)
bash tools/check_arm_code.sh "${programs[@]/#/build/arm/bin/}" build/arm/second_core/program/renderer.elf
[ -f build/arm/bin/renderer.img ] ||
    { echo "device_bundle.sh: build/arm/bin/renderer.img was not built (see the cmake warning)" >&2; exit 1; }

rm -rf "${out:?}/$name" "$out/$name.tar.gz"
mkdir -p "$out/$name"
for program in "${programs[@]}"; do
    arm-none-eabi-strip -o "$out/$name/$program" "build/arm/bin/$program"
    chmod 755 "$out/$name/$program"
done
install -m 644 build/arm/bin/renderer.img "$out/$name/renderer.img"
install -m 755 tools/device_bundle/run-lumenfall.sh "$out/$name/run-lumenfall.sh"
install -m 644 tools/device_bundle/README.txt "$out/$name/README.txt"
tar -C "$out" -czf "$out/$name.tar.gz" --owner=0 --group=0 "$name"
ls -l "$out/$name" | tail -n +2
echo "bundle: $out/$name/ and $out/$name.tar.gz ($(stat -c %s "$out/$name.tar.gz") bytes)"
