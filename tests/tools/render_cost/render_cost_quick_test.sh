#!/usr/bin/env bash
# tools/render_cost.sh --quick with a qemu-arm that changes one digit of one
# frame's picture digest in what the ARM build prints, as a renderer core
# that draws one pixel differently on the second core would: the check
# must fail, saying the pictures differ. Skips (77) where render_cost.sh
# itself skips (no ARM toolchain, no qemu-arm, programs not built).
# Usage: render_cost_quick_test.sh SOURCE_DIR PC_BIN_DIR
set -uo pipefail

source_dir=$1 bin=$2
real_qemu=$(command -v qemu-arm) || { echo "skipped: no qemu-arm"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/render-cost-test-XXXXXX")
trap 'rm -rf "$work"' EXIT

mkdir "$work/doctored"
cat > "$work/doctored/qemu-arm" <<SH
#!/usr/bin/env bash
set -o pipefail
"$real_qemu" "\$@" | awk '!done && \$1 == "frame" && \$3 == "digest" {
    last = substr(\$4, length(\$4), 1)
    \$4 = substr(\$4, 1, length(\$4) - 1) (last == "0" ? "1" : "0")
    done = 1
} { print }'
SH
chmod +x "$work/doctored/qemu-arm"

# The first frames of the demo are enough, and far quicker to capture than
# the whole run the script would make.
for program in handheld-sim lumenfall; do
    [ -x "$bin/$program" ] || { echo "skipped: $bin/$program is not built"; exit 77; }
done
"$bin/handheld-sim" --fast --renderer-now --no-window --no-progress --frames 40 \
    --capture "$work/first.cap" -- "$bin/lumenfall" >"$work/run.log" 2>&1 ||
    { cat "$work/run.log"; echo "FAILED: the capture run failed"; exit 1; }
out=$(PATH="$work/doctored:$PATH" bash "$source_dir/tools/render_cost.sh" --quick --bin "$bin" \
          --capture "$work/first.cap" --frames 0,30 2>&1)
status=$?
[ "$status" -eq 77 ] && { echo "$out"; exit 77; }
if [ "$status" -ne 1 ] || ! grep -qF "FAIL: the ARM build draws different pictures" <<<"$out"; then
    echo "FAILED: render_cost.sh --quick on a doctored ARM picture gave status $status" \
         "(wanted 1, saying the pictures differ):"
    echo "$out"
    exit 1
fi
echo "render_cost.sh --quick caught the doctored picture"
