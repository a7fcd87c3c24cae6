@ The display program's line converters for the handheld's ARMv4T core,
@ the same results as rgb565_lines_portable.cpp (a randomized test under
@ qemu-arm holds them against it). Written out by hand because every pixel
@ of every frame passes here: the compiler's version keeps too few of the
@ table addresses in registers and reloads them per pixel.
@
@ Both take (src, out, groups, tables): groups of four source words become
@ two frame buffer words each; groups is at least 1. Every source group is
@ read with one LDM (a burst from the uncached video memory) and every two
@ output words go out with one STM.
@
@ Tables (rgb565_tables.h): green_y[256] at 0, chroma_u[256] of
@ {blue row, green U part} at 1024, chroma_v[256] of {red row, green V
@ part} at 3072.

        .syntax unified
        .arm
        .text

        .equ    chroma_u, 1024
        .equ    chroma_v, 3072

@ ---------------------------------------------------------------------------
@ rgb565_line_straight: every pixel converted.
@   r0 src, r1 out, r2 groups left, r3 tables (green_y), r4 chroma_u,
@   r5 chroma_v, r6-r9 the group's words, r10-r12 and lr scratch.

@ One word in \w becomes its RGB 5:6:5 value in \w: 14 instructions.
        .macro  convert w
        and     r10, \w, #0xFF00
        add     lr, r4, r10, lsr #5         @ &chroma_u[U]
        ldmia   lr, {r12, lr}               @ blue row, green U part
        mov     r11, \w, lsr #24
        add     r11, r5, r11, lsl #3        @ &chroma_v[V]
        ldmia   r11, {r10, r11}             @ red row, green V part
        add     lr, lr, r11                 @ green for Y = 0
        and     r11, \w, #0xFF              @ Y
        ldrb    r10, [r10, r11]             @ red, 5 bits
        ldrb    r12, [r12, r11]             @ blue, 5 bits
        ldr     r11, [r3, r11, lsl #2]      @ Y's place in the green table
        ldrb    lr, [lr, r11]               @ green, 6 bits
        orr     \w, r12, lr, lsl #5
        orr     \w, \w, r10, lsl #11
        .endm

        .macro  straight_group
        ldmia   r0!, {r6-r9}
        convert r6
        convert r7
        convert r8
        convert r9
        orr     r6, r6, r7, lsl #16         @ the left pixel in the low half
        orr     r7, r8, r9, lsl #16
        stmia   r1!, {r6, r7}
        .endm

        .global rgb565_line_straight
        .type   rgb565_line_straight, %function
rgb565_line_straight:
        push    {r4-r11, lr}
        add     r4, r3, #chroma_u
        add     r5, r3, #chroma_v
        @ Two groups a pass; an odd count enters at the second.
        tst     r2, #1
        addne   r2, r2, #1
        bne     .Lstraight_second
.Lstraight_first:
        straight_group
.Lstraight_second:
        straight_group
        subs    r2, r2, #2
        bne     .Lstraight_first
        pop     {r4-r11, lr}
        bx      lr
        .size   rgb565_line_straight, . - rgb565_line_straight

@ ---------------------------------------------------------------------------
@ rgb565_line_runs: a word equal to its left neighbour costs a compare; a
@ new word whose chroma is its neighbour's costs lookups by Y only.
@   r0 src, r1 out, r2 tables (green_y), r3 the last word, r4 its pixel,
@   r5 red row, r6 blue row, r7 green for Y = 0 (the rows of the chroma of
@   the word before the one at hand), r8-r11 the group's words, r12 and lr
@   scratch. Within a group each word is compared with the one before it,
@   still in its register; the pixels take turns in r3 and r4.
@   Stack: [sp] the end of src, [sp, #4] the chroma changes.

@ The pixel for the word \w, whose left neighbour is \prev with the pixel
@ \pprev, into \pd: 3 instructions for a repeat, 13 for a new word of the
@ same chroma.
        .macro  run_pixel w, prev, pprev, pd
        eors    r12, \w, \prev
        moveq   \pd, \pprev
        beq     3f
        tst     r12, #0xFF000000            @ V
        tsteq   r12, #0x0000FF00            @ U
        beq     2f
        @ New chroma: the rows of this word.
        mov     r12, \w, lsr #24
        add     r12, r2, r12, lsl #3
        add     r12, r12, #chroma_v
        ldmia   r12, {r5, r7}               @ red row, green V part
        and     r12, \w, #0xFF00
        add     r12, r2, r12, lsr #5
        add     r12, r12, #chroma_u
        ldmia   r12, {r6, r12}              @ blue row, green U part
        add     r7, r7, r12
        ldr     r12, [sp, #4]
        add     r12, r12, #1
        str     r12, [sp, #4]
2:      and     lr, \w, #0xFF               @ Y
        ldr     r12, [r2, lr, lsl #2]
        ldrb    \pd, [r7, r12]              @ green
        ldrb    r12, [r5, lr]               @ red
        ldrb    lr, [r6, lr]                @ blue
        orr     lr, lr, \pd, lsl #5
        orr     \pd, lr, r12, lsl #11
3:
        .endm

@ One group of four words.
        .macro  run_group
        ldmia   r0!, {r8-r11}
        cmp     r8, r3
        bne     slow\@
        cmp     r9, r3
        cmpeq   r10, r3
        cmpeq   r11, r3
        bne     slow\@
        @ All four repeat the last word.
        orr     r12, r4, r4, lsl #16
        mov     lr, r12
        stmia   r1!, {r12, lr}
        b       done\@
slow\@: run_pixel r8, r3, r4, r3
        run_pixel r9, r8, r3, r4
        orr     r8, r3, r4, lsl #16         @ the left pixel in the low half
        run_pixel r10, r9, r4, r3
        run_pixel r11, r10, r3, r4
        orr     r9, r3, r4, lsl #16
        mov     r3, r11
        stmia   r1!, {r8, r9}
done\@:
        .endm

        .global rgb565_line_runs
        .type   rgb565_line_runs, %function
rgb565_line_runs:
        push    {r4-r11, lr}
        add     r12, r0, r2, lsl #4         @ the end: 16 bytes a group
        mov     lr, #0
        push    {r12, lr}
        @ A last word unlike the first makes the first pixel load its rows.
        ldr     r4, [r0]
        mvn     r4, r4
        @ Two groups a pass; an odd count enters at the second.
        tst     r2, #1
        @ The tables pointer takes r2 (groups is done with).
        mov     r2, r3
        mov     r3, r4
        mov     r4, #0
        bne     .Lruns_second
.Lruns_first:
        run_group
.Lruns_second:
        run_group
        ldr     r12, [sp]
        cmp     r0, r12
        bne     .Lruns_first
        ldr     r0, [sp, #4]                @ the chroma changes
        add     sp, sp, #8
        pop     {r4-r11, lr}
        bx      lr
        .size   rgb565_line_runs, . - rgb565_line_runs

        .section .note.GNU-stack, "", %progbits
