#!/usr/bin/env bash
# Checks that the ARM build of the renderer core (librenderer_core.a) can
# go into the second core's program, which has no operating system, no heap
# and no floating point: every symbol it needs from outside itself must be
# one of the compiler's integer helpers (division, 64-bit shifts and
# compares) or a memory copy or fill. Any soft-float helper, allocation,
# exception or C-library call is a finding.
# Usage: check_render_core.sh LIBRARY   Environment: ARM_TOOLS_PREFIX.
# Exit status: 0 clean, 1 a finding, 2 usage or missing tools.
set -uo pipefail

prefix=${ARM_TOOLS_PREFIX:-arm-none-eabi-}
[ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: $0 LIBRARY" >&2; exit 2; }
command -v "${prefix}nm" >/dev/null || { echo "$0: ${prefix}nm not found" >&2; exit 2; }

defined=$("${prefix}nm" --defined-only "$1" | awk 'NF == 3 {print $3}' | sort -u)
needed=$("${prefix}nm" --undefined-only "$1" | awk 'NF == 2 {print $2}' | sort -u)
outside=$(comm -23 <(echo "$needed") <(echo "$defined"))

allowed='^(__aeabi_(u?idiv|u?idivmod|u?ldivmod|lmul|llsl|llsr|lasr|u?lcmp|mem(cpy|move|set|clr)[48]?)|__(u?div|u?mod)[sd]i3|__u?divmoddi4|mem(cpy|set|move))$'
findings=$(echo "$outside" | grep -Ev "$allowed" | grep -v '^$')
echo "$(basename "$1"): needs from outside: $(echo "$outside" | tr '\n' ' ')"
if [ -n "$findings" ]; then
    echo "not allowed in the second core's program:"
    echo "$findings" | sed 's/^/  /'
    exit 1
fi
echo "clean: no soft float, no allocation, no exceptions, no operating system"
