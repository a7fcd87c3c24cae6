#!/usr/bin/env bash
# image-seal on small flat programs written here: one with the exception
# vectors, a blank header and the halts is sealed; each it must refuse (too
# short, too long, no branch first, a vector to the wrong halt, sealed
# already, missing, bad use) ends with a non-zero
# status and a message on stderr, and creates no image: an image already
# there is left as it was, so a failed rebuild cannot spoil a good one.
# Usage: image_seal_test.sh IMAGE_SEAL
set -uo pipefail

seal=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/image-seal-test-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# The exception vectors (reset: b 0x54, 0xEA000013, past the halts; each
# other vector to its own halt, 40 bytes ahead of the pipeline's pc:
# 0xEA00000A), the blank header, the eight halts (b ., 0xEAFFFFFE), then a
# few words of code.
vectors() { printf '\x13\x00\x00\xea'; for v in 1 2 3 4 5 6 7; do printf '\x0a\x00\x00\xea'; done; }
halts() { for h in 0 1 2 3 4 5 6 7; do printf '\xfe\xff\xff\xea'; done; }
program() { # program FILE [BYTES_OF_CODE]
    { vectors; head -c 20 /dev/zero; halts; head -c "${2:-16}" /dev/urandom; } > "$1"
}
program good.bin
program big.bin $((1024 * 1024))
head -c 12 good.bin > short.bin
{ printf '\x00\x00\xa0\xe1'; tail -c +5 good.bin; } > nobranch.bin
# The data-abort vector (word 4) led to the prefetch-abort halt instead.
{ head -c 16 good.bin; printf '\x09\x00\x00\xea'; tail -c +21 good.bin; } > wrongvector.bin
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
refused 1 "vector 4 does not branch to its halt" wrongvector.bin IMAGE
refused 1 "sealed already" good.img IMAGE
refused 1 "cannot open 'missing.bin'" missing.bin IMAGE
refused 2 "usage" good.bin
refused 2 "usage" good.bin IMAGE extra
"$seal" good.bin no/such/dir/new.img 2>err.txt && fail "sealing into a missing folder succeeded"
grep -qF "cannot create" err.txt || fail "no 'cannot create' in: $(cat err.txt)"

[ $failures -eq 0 ] && echo "image-seal tests passed"
exit $((failures > 0))
