#!/usr/bin/env bash
# tools/check_render_core.sh on small ARM libraries compiled here as the
# renderer core is: one that needs only integer helpers and memory copies
# passes; one that needs a soft-float helper, malloc or operator new fails
# with status 1 and names the symbol, also when a clean object shares its
# archive. Skips (77) without the bare-metal ARM compiler and binutils.
# Usage: check_render_core_test.sh SOURCE_DIR
set -uo pipefail

check=$1/tools/check_render_core.sh
prefix=${ARM_TOOLS_PREFIX:-arm-none-eabi-}
for tool in gcc g++ ar nm; do
    command -v "${prefix}$tool" >/dev/null || { echo "skipped: no ${prefix}$tool"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/render-core-test-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# Division, a 64-bit shift and a struct copy: helpers the second core's
# program has.
cat > clean.c <<'C'
struct span { int x[32]; };
int ratio(int a, int b) { return a / b; }
long long widen(long long a, int s) { return a >> s; }
void copy(struct span* to, const struct span* from) { *to = *from; }
C
printf 'float scale(float a, float b) { return a * b; }\n' > float.c
printf '#include <stdlib.h>\nvoid* make(unsigned n) { return malloc(n); }\n' > malloc.c
printf 'int* make() { return new int(7); }\n' > new.cpp
flags=(-O2 -march=armv4t -marm -mfloat-abi=soft -ffreestanding)
library() { # library NAME SOURCE...: libNAME.a of the sources' objects
    local name=$1 source
    shift
    for source in "$@"; do
        case $source in
        *.cpp) "${prefix}g++" "${flags[@]}" -fno-exceptions -c "$source" -o "${source%.*}.o" ;;
        *) "${prefix}gcc" "${flags[@]}" -c "$source" -o "${source%.*}.o" ;;
        esac || exit 1
    done
    "${prefix}ar" rcs "lib$name.a" "${@/%.c*/.o}" || exit 1
}
library clean clean.c
library float float.c
library malloc clean.c malloc.c
library new new.cpp

failures=0
expect() { # expect STATUS TEXT ARGS...
    local want=$1 text=$2 out status
    shift 2
    out=$(bash "$check" "$@" 2>&1)
    status=$?
    if [ "$status" -ne "$want" ] || ! grep -qF -- "$text" <<<"$out"; then
        echo "FAILED: check_render_core.sh $* gave status $status (wanted $want, with '$text'):"
        echo "$out"
        failures=$((failures + 1))
    fi
}
expect 0 "clean:" libclean.a
expect 1 "  __aeabi_fmul" libfloat.a
expect 1 "  malloc" libmalloc.a
expect 1 "  _Znwj" libnew.a
expect 2 "usage"
expect 2 "usage" missing.a

[ $failures -eq 0 ] && echo "render core check tests passed"
exit $((failures > 0))
