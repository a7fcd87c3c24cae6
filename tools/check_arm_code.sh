#!/usr/bin/env bash
# Checks that ARM programs run on the handheld's main core, an ARMv4T
# processor in ARM state, under its old kernel:
#   - no instruction of ARMv5 or later (each would stop the program with an
#     illegal instruction on the device, wherever it sits);
#   - no Thumb code;
#   - no reference to the kernel helper page at 0xffff0fxx (memory barrier,
#     compare-and-exchange, thread pointer), which the handheld's kernel
#     does not have;
#   - the architecture tag that the linker merged from every linked object
#     is v4T, so no object was built for a later processor.
# Usage: check_arm_code.sh PROGRAM...   (unstripped: the check reads the
# mapping symbols that tell code from data)
# Environment: ARM_TOOLS_PREFIX (default arm-none-eabi-).
# Exit status: 0 all clean, 1 a finding, 2 usage or missing tools.
set -uo pipefail

prefix=${ARM_TOOLS_PREFIX:-arm-none-eabi-}
[ $# -ge 1 ] || { echo "usage: $0 PROGRAM..." >&2; exit 2; }
for tool in objdump readelf; do
    command -v "${prefix}$tool" >/dev/null || { echo "$0: ${prefix}$tool not found" >&2; exit 2; }
done

# Mnemonics that ARMv4T lacks, matched with any condition suffix: the
# ARMv5 additions (clz, blx, bkpt, the second coprocessor forms), the v5TE
# DSP set (ldrd/strd, pld, the halfword multiplies, saturating arithmetic,
# mcrr/mrrc), and ARMv6/v7 (exclusive access, barriers, byte reversal,
# extension, wide moves, bit fields, saturation, division...). The long
# multiplies smull/smlal/umull/umlal are ARMv4 and stay allowed.
newer='^(clz|blx|bkpt|ldc2|stc2|mcr2|mrc2|cdp2|mcrr|mrrc|ldrd|strd|pld|smul[bwt][bt]|smla[bwt][bt]|smlal[bt][bt]|qd?add|qd?sub|ldrex|strex|clrex|dmb|dsb|isb|rev|rbit|uxt|sxt|movw|movt|sel|ssat|usat|pkh|umaal|smmul|smmla|smmls|smuad|smusd|smlad|smlsd|sdiv|udiv|mls|bfi|bfc|ubfx|sbfx|wfi|wfe|sev|yield|cps|srs|rfe|setend|[su]add|[su]sub|[su]h?add|[su]h?sub)'

status=0
for program in "$@"; do
    if [ ! -f "$program" ]; then
        echo "$program: no such file"
        status=1
        continue
    fi
    name=$(basename "$program")
    listing=$("${prefix}objdump" -d --no-show-raw-insn "$program") || { status=1; continue; }
    found=$(printf '%s\n' "$listing" | awk -F'\t' 'NF >= 2 { print $2 }' |
        grep -E "$newer" | awk '{print $1}' | sort | uniq -c | sort -rn)
    if [ -n "$found" ]; then
        echo "$name: instructions newer than ARMv4T:"
        printf '%s\n' "$found" | head -20
        status=1
    fi
    thumb=$("${prefix}readelf" -s "$program" | awk '$8 ~ /^\$t/' | wc -l)
    if [ "$thumb" -ne 0 ]; then
        echo "$name: $thumb pieces of Thumb code"
        status=1
    fi
    # A helper call loads an address in 0xffff0f00..0xffff0fff, from a
    # literal or with mvn of 0xf000 (0xffff0fff) and a subtraction.
    helpers=$(printf '%s\n' "$listing" | grep -E -c -i '0xffff0f[0-9a-f]{2}|mvn[a-z]*\s+[a-z0-9]+, #61440')
    if [ "$helpers" -ne 0 ]; then
        echo "$name: $helpers references to the kernel helper page:"
        printf '%s\n' "$listing" | grep -E -i '0xffff0f[0-9a-f]{2}|mvn[a-z]*\s+[a-z0-9]+, #61440' | head -5
        status=1
    fi
    arch=$("${prefix}readelf" -A "$program" | awk -F': ' '/Tag_CPU_arch:/ { print $2 }')
    if [ "$arch" != "v4T" ]; then
        echo "$name: architecture tag '${arch:-none}', expected v4T"
        status=1
    fi
    instructions=$(printf '%s\n' "$listing" | awk -F'\t' 'NF >= 2 && $2 !~ /^\./' | wc -l)
    [ $status -ne 0 ] || echo "$name: $instructions ARM instructions, all ARMv4T; no Thumb code; no kernel helper; tag v4T"
done
exit $status
