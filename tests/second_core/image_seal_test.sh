#!/usr/bin/env bash
# image-seal on small flat programs written here: one with a branch and a
# blank header is sealed; each it must refuse (too short, too long, no
# branch first, sealed already, missing, bad use) ends with a non-zero
# status and a message on stderr, and creates no image: an image already
# there is left as it was, so a failed rebuild cannot spoil a good one.
# Usage: image_seal_test.sh IMAGE_SEAL
set -uo pipefail

seal=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/image-seal-test-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# A branch over the header (b +56: 0xEA00000E), blank words after it, more
# than the header needs, then a few words of code.
program() { # program FILE [BYTES_OF_CODE]
    { printf '\x0e\x00\x00\xea'; head -c 60 /dev/zero; head -c "${2:-16}" /dev/urandom; } > "$1"
}
program good.bin
program big.bin $((1024 * 1024))
head -c 12 good.bin > short.bin
{ printf '\x00\x00\xa0\xe1'; tail -c +5 good.bin; } > nobranch.bin
printf 'an earlier image\n' > earlier.img

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

"$seal" good.bin good.img 2>err.txt || fail "good.bin was refused: $(cat err.txt)"
[ "$(stat -c %s good.img)" = "$(stat -c %s good.bin)" ] && ! cmp -s good.bin good.img ||
    fail "good.img is not good.bin sealed"

refused() { # refused STATUS TEXT ARGS...: no new image, an old one kept
    local want=$1 text=$2 status
    shift 2
    for image in new.img earlier.img; do
        cp earlier.img kept.img
        local args=("$@")
        args=("${args[@]/IMAGE/$image}")
        "$seal" "${args[@]}" >out.txt 2>err.txt
        status=$?
        [ "$status" -eq "$want" ] || fail "image-seal ${args[*]}: status $status, wanted $want"
        grep -qF -- "$text" err.txt || fail "image-seal ${args[*]}: no '$text' in: $(cat err.txt)"
        [ -s out.txt ] && fail "image-seal ${args[*]}: wrote to stdout: $(cat out.txt)"
        [ -e new.img ] && { fail "image-seal ${args[*]} left new.img behind"; rm -f new.img; }
        cmp -s earlier.img kept.img || { fail "image-seal ${args[*]} changed an existing image"; cp kept.img earlier.img; }
    done
}
refused 1 "too few" short.bin IMAGE
refused 1 "must fit in" big.bin IMAGE
refused 1 "not a branch" nobranch.bin IMAGE
refused 1 "sealed already" good.img IMAGE
refused 1 "cannot open 'missing.bin'" missing.bin IMAGE
refused 2 "usage" good.bin
refused 2 "usage" good.bin IMAGE extra
"$seal" good.bin no/such/dir/new.img 2>err.txt && fail "sealing into a missing folder succeeded"
grep -qF "cannot create" err.txt || fail "no 'cannot create' in: $(cat err.txt)"

[ $failures -eq 0 ] && echo "image-seal tests passed"
exit $((failures > 0))
