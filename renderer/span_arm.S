@ Spans of the plain, shaded, colour-keyed and cast-image types over a 256 x 256
@ texture that wraps by mask (the plain type's also over 512 x 512), and the
@ fill of the flat type, in ARM state for the
@ second core (ARMv4T): span_arm.h describes the job. The
@ arithmetic is paint_mask_span's (span_paint.cpp) step for step:
@ reciprocal16, mask_sample, step_of and the shaded loop with the common
@ texture shape's masks; and each span's set-up is paint_textured_row's
@ (row_start, long_subspans_fit, span_plane, plane_ahead,
@ sample_shifts_fit); tests/renderer/arm_span_check.cpp holds the two
@ together bit for bit.
@
@ Why it is cheaper: the sample keeps everything in registers, and each
@ subspan's pixels run unrolled (entered part-way for a short last subspan),
@ 13.5 instructions a shaded pixel (7 a keyed one, 5.6 a plain one) with
@ no loop counter.

        .syntax unified
        .arm
        .text

@ ArmSpan offsets
        .equ DST, 0
        .equ LEFT, 4
        .equ TEXELS, 8
        .equ PLANES, 12
        .equ STEPS, 28
        .equ LASTS, 44
        .equ SHIFT_U, 60
        .equ SHIFT_V, 64
        .equ SHIFT_S, 68
        .equ U_REF, 72
        .equ V_REF, 76
        .equ S_REF_LO, 80
        .equ S_REF_HI, 84
        .equ SCALE, 88
        .equ SUBSPAN_SHIFT, 92
        .equ SEEDS, 96
        .equ BITS, 100
        .equ FRACTIONS, 104
        .equ STEP_RECIPROCAL, 108
        .equ SAMPLE, 112
        .equ KEY, 128
        .equ LUMA_OFFSET, 132
        .equ EXPONENT, 136
        .equ SEEDS_BIASED, 140
        .equ SAMPLE_SHIFTS, 144
        .equ PLANE_SHIFTS, 176

@ One sample. In: r0-r3 the planes w, uw, vw, sw; r11 the job. Out: r4 u,
@ r5 v, r6 a, r7 b (the luma transfer; 0 from uv_sample). Clobbers r0-r3,
@ r8-r10, r12; returns through lr. On the way r9 points at shift_s + e.
@ The order keeps every loaded word away from the instruction right after
@ its load, which would wait a cycle for it.
        .macro uv_of_sample name
        @ reciprocal16(w > 0 ? w : 1). W changes little along a span, so
        @ its exponent is nearly always the last sample's: w >> e is then in
        @ [2^15, 2^16) (never for w <= 0 or e < 0: a register shift by more
        @ than 31 leaves 0), and only otherwise does the ladder run, out of
        @ line, which also keeps the product shifts for that exponent. The
        @ job's exponent starts at -1, so a span's first sample takes it.
        ldr     r9, [r11, #EXPONENT]
        ldr     r12, [r11, #SEEDS_BIASED]
        mov     r8, r0, lsr r9          @ m = w >> e
        mov     r10, r8, lsr #15
        cmp     r10, #1
        bne     .Lladder\@
.Lnormalised\@:
        mov     r10, r8, lsr #7         @ 256 to 511: the seeds are biased by 256
        ldr     r10, [r12, r10, lsl #2] @ seed r0
        add     r9, r11, #SAMPLE_SHIFTS @ while the seed arrives
        mul     r12, r10, r8            @ m's 16 bits as the multiplier's
        rsb     r12, r12, #0            @ 2^32 - m * r0
        smull   r8, r0, r12, r10        @ and r0's 17 bits
        add     r10, r10, r0            @ r = r0 + (r0 * error) >> 32
        @ u: u_ref plus the low word of (uw * r) >> (shift_u + e)
        ldmia   r9!, {r4, r6, r7}       @ shift_u + e, 32 less that, u_ref
        smull   r8, r0, r1, r10
        mov     r8, r8, lsr r4
        orr     r8, r8, r0, lsl r6      @ a register shift of 32 leaves 0
        add     r4, r7, r8
        @ v
        ldmia   r9!, {r5, r6, r7}
        smull   r8, r0, r2, r10
        mov     r8, r8, lsr r5
        orr     r8, r8, r0, lsl r6
        add     r5, r7, r8
        .subsection 1
        .type \name\()_ladder, %function
\name\()_ladder:
.Lladder\@:
        @ the bit length of w by halves and a byte table, less 16
        ldr     r12, [r11, #BITS]
        cmp     r0, #1
        movlt   r0, #1
        movs    r8, r0, lsr #16
        moveq   r8, r0
        movne   r9, #0
        mvneq   r9, #15                 @ -16
        movs    r10, r8, lsr #8
        movne   r8, r10
        addne   r9, r9, #8
        ldrb    r8, [r12, r8]
        @ each product's shift for e and 32 less it, beside u_ref and v_ref
        add     r12, r11, #SHIFT_U      @ while the byte arrives
        ldmia   r12, {r4, r5, r6, r7, r10} @ shift_u, shift_v, shift_s, u_ref, v_ref
        adds    r9, r9, r8              @ e
        movge   r8, r0, lsr r9          @ m = w >> e, or w << -e
        rsblt   r12, r9, #0
        movlt   r8, r0, lsl r12
        str     r9, [r11, #EXPONENT]
        add     r12, r11, #SAMPLE_SHIFTS
        add     r0, r4, r9
        rsb     r4, r0, #32
        stmia   r12!, {r0, r4, r7}
        add     r0, r5, r9
        rsb     r4, r0, #32
        stmia   r12!, {r0, r4, r10}
        add     r0, r6, r9
        rsb     r4, r0, #32
        stmia   r12, {r0, r4}
        ldr     r12, [r11, #SEEDS_BIASED]
        b       .Lnormalised\@
        .size \name\()_ladder, . - \name\()_ladder
        .subsection 0
        .endm

@ The shaded type's sample, as uv_of_sample plus the luma transfer: r6 a,
@ r7 b. NAME names its out-of-line parts. Expanded once as a function and
@ once in each span's whole-subspan path, where a call and its return
@ would cost two branches (three cycles each) a subspan.
        .macro shaded_sample_code name
        uv_of_sample \name
        @ shade = s_ref + (sw * r) >> (shift_s + e), 64-bit in r0:r8
        smull   r8, r0, r3, r10
        ldmia   r9, {r1, r12}           @ shift_s + e, 32 less that
        mov     r8, r8, lsr r1
        orr     r8, r8, r0, lsl r12
        mov     r0, r0, asr r1
        add     r1, r11, #S_REF_LO
        ldmia   r1, {r1, r2, r3}        @ s_ref low and high, the scale
        adds    r8, r8, r1
        adc     r0, r0, r2
        @ bounded to a word (out of line where it is not one already)
        cmp     r0, r8, asr #31
        bne     .Lshade_bounded\@
        smull   r1, r2, r8, r3
.Lshade_rounded\@:
        @ the high word rounded (+ 2^31) is the steps of 1/1024 octave; then
        @ luma_transfer(steps)
        adds    r3, r2, r1, lsr #31
        ldr     r1, [r11, #FRACTIONS]
        rsbmi   r3, r3, #0              @ magnitude
        movmi   r12, #16                @ limit: luma_min when darkening
        movpl   r12, #235               @ luma_max otherwise
        cmp     r3, #32768
        movhi   r3, #32768
        mov     r2, r3, lsl #22
        ldr     r2, [r1, r2, lsr #20]   @ the octave fraction n % 1024
        mov     r0, r3, lsr #10         @ while it arrives
        add     r0, r0, #15             @ 15 + whole octaves
        mov     r6, r2, lsr r0          @ a (0 for a shift of 32 or more)
        mul     r1, r6, r12
        rsb     r7, r1, r12, lsl #16
        add     r7, r7, #32768          @ b = limit * 2^16 + 2^15 - limit * a
        .subsection 1
.Lshade_bounded\@:
        @ at or above 2^31 it is 2^31 - 1 plus one scale
        cmp     r0, #0
        mvnge   r8, #0x80000000
        movlt   r8, #0x80000000
        smull   r1, r2, r8, r3
        blt     .Lshade_rounded\@
        adds    r1, r1, r3
        adc     r2, r2, r3, asr #31
        b       .Lshade_rounded\@
        .subsection 0
        .endm

        .macro uv_sample_code name
        uv_of_sample \name
        mov     r6, #0
        mov     r7, #0
        .endm

        .type shaded_sample, %function
shaded_sample:
        shaded_sample_code shaded_sample
        bx      lr
        .size shaded_sample, . - shaded_sample

        .type uv_sample, %function
uv_sample:
        uv_sample_code uv_sample
        bx      lr
        .size uv_sample, . - uv_sample

@ One pixel of the shaded type: r0 u << 8 (the column in the top byte), r1 v
@ << 8 (v scaled by the width: the row in the top byte), r2 a, r3 b, r4-r7
@ their steps (u's and v's unshifted: each add shifts them by 8 for free),
@ r8 the destination, r9 the texels, r10 the chroma mask. The
@ pixels go in pairs: the first of a pair leaves its word in r12, the
@ second builds its own in lr and stores both with one store-multiple,
@ which the write buffer takes as one entry rather than two. PART is a for
@ the first of a pair, b for the second, single for a pixel stored alone;
@ the group's last pixel also loads where the pixels end, for the test.
        .macro shaded_pixel part, last=0
        .ifc \part, b
        and     lr, r10, r1, lsr #16    @ the row times 256: the mask keeps bits 8-15
        orr     lr, lr, r0, lsr #24     @ and the column
        ldr     lr, [r9, lr, lsl #2]
        .else
        and     r12, r10, r1, lsr #16
        orr     r12, r12, r0, lsr #24
        ldr     r12, [r9, r12, lsl #2]
        .endif
        add     r0, r0, r4, lsl #8      @ while the texel arrives
        add     r1, r1, r5, lsl #8
        .ifc \part, b
        and     r11, lr, #0xFF
        .else
        and     r11, r12, #0xFF
        .endif
        mla     r11, r2, r11, r3        @ the multiplier stops after Y's 8 bits
        .ifc \part, b
        and     lr, lr, r10
        orr     lr, lr, r11, lsr #16
        and     r11, r11, #0xFF0000
        orr     lr, lr, r11
        stmia   r8!, {r12, lr}
        .else
        and     r12, r12, r10
        orr     r12, r12, r11, lsr #16
        and     r11, r11, #0xFF0000
        orr     r12, r12, r11
        .endif
        .ifc \part, single
        str     r12, [r8], #4
        .endif
        .if \last
        ldr     r12, [sp, #16]          @ where the pixels end, for the group's test
        .endif
        add     r2, r2, r6
        add     r3, r3, r7
        .endm

@ The shaded type's group of eight: four pairs; AT -1 the pixel alone.
        .macro shaded_pixel_at at
        .if \at < 0
        shaded_pixel single, 1
        .elseif \at == 28
        shaded_pixel b, 1
        .elseif (\at & 4) != 0
        shaded_pixel b
        .else
        shaded_pixel a
        .endif
        .endm

@ One pixel of the colour-keyed type: the same registers, r10 the key, r3
@ the chroma mask (for the texel's row); the pixel keeps what is there
@ where the texel is the key. AT is the pixel's
@ offset in its group of eight: r8 moves once a group.
        .macro keyed_pixel at
        and     r12, r3, r1, lsr #16    @ the row times 256 (r3 the chroma mask)
        orr     r12, r12, r0, lsr #24   @ and the column
        ldr     r12, [r9, r12, lsl #2]
        add     r0, r0, r4, lsl #8      @ while the texel arrives
        add     r1, r1, r5, lsl #8
        cmp     r12, r10
        strne   r12, [r8, #\at]
        .endm

@ One pixel of the plain type, the texel stored as it is: the keyed pixel's
@ registers without the key, r3 the row mask times the width (for a side
@ of 8 the chroma mask keeps the same bits). SIDE is the texture's side,
@ 2^SIDE texels: u and v come with their texel bits at the top (see
@ pixel_loop_setup). The pixels go in pairs as the shaded type's: AT's
@ pixel in its group of eight, the first of a pair leaving its texel in
@ r10, the second its own in lr and storing both with one store-multiple,
@ one write-buffer entry where two stores take two (at six instructions a
@ pixel the single stores outran the write buffer); AT -1 a pixel alone.
@ The group's last pixel loads where the pixels end, for the group's test.
        .macro plain_pair_pixel at, side=8
        .if \at < 0 || (\at & 4) == 0
        and     r10, r3, r1, lsr #(32 - 2 * \side) @ the row times the width
        orr     r10, r10, r0, lsr #(32 - \side)    @ and the column
        ldr     r10, [r9, r10, lsl #2]
        .else
        and     lr, r3, r1, lsr #(32 - 2 * \side)
        orr     lr, lr, r0, lsr #(32 - \side)
        ldr     lr, [r9, lr, lsl #2]
        .endif
        add     r0, r0, r4, lsl #(16 - \side)      @ while the texel arrives
        add     r1, r1, r5, lsl #(16 - \side)
        .if \at < 0 || \at == 28
        ldr     r12, [sp, #16]          @ where the pixels end, for the group's test
        .endif
        .if \at < 0
        str     r10, [r8], #4
        .elseif (\at & 4) != 0
        stmia   r8!, {r10, lr}
        .endif
        .endm

        .macro plain_pair256_pixel at
        plain_pair_pixel \at, 8
        .endm
@ The same over a 512 x 512 texture, the screen capture's shape.
        .macro plain_pair512_pixel at
        plain_pair_pixel \at, 9
        .endm

@ One pixel of the cast image: the same registers, r10 the key, r2 the luma
@ offset, r3 the chroma mask, r6 0x7F007F00; where the texel is not the key,
@ the luma of what is there moves by the offset (clamped to 16..235) and
@ its chroma halfway to the texel's, rounded up: (x | y) - ((x ^ y) >> 1)
@ per chroma byte. AT as for keyed_pixel.
        .macro cast_pixel at
        and     r12, r3, r1, lsr #16    @ the row times 256 (r3 the chroma mask)
        orr     r12, r12, r0, lsr #24   @ and the column
        ldr     r12, [r9, r12, lsl #2]
        add     r0, r0, r4, lsl #8      @ while the texel arrives
        add     r1, r1, r5, lsl #8
        cmp     r12, r10
        beq     .Lcast_keep\@
        ldr     r11, [r8, #\at]
        and     r12, r12, r3            @ while the pixel below arrives
        and     lr, r11, #0xFF
        add     lr, lr, r2
        cmp     lr, #16
        movlt   lr, #16
        cmp     lr, #235
        movgt   lr, #235
        and     r11, r11, r3
        orr     r7, r11, r12
        eor     r11, r11, r12
        and     r11, r6, r11, lsr #1
        sub     r7, r7, r11
        orr     r7, r7, lr
        orr     r7, r7, lr, lsl #16
        str     r7, [r8, #\at]
.Lcast_keep\@:
        .endm

@ r12 = the entry for lr pixels (1 to 8) into the unrolled block of eight
@ that starts at 9b, from r10 pixels (lr is set here).
        .macro entry_for_pixels pixel_bytes
        .if \pixel_bytes == 108 || \pixel_bytes == 44
        ldr     r12, =9b + 4 * \pixel_bytes
        .else
        ldr     r12, =9b + 8 * \pixel_bytes
        .endif
        sub     lr, r10, #1             @ while the address arrives
        and     lr, lr, #7
        add     lr, lr, #1              @ the first group: 1 to 8 pixels
        .if \pixel_bytes == 108
        @ 108 bytes a pair: enter at the pairs for lr & ~1 pixels; an odd
        @ count paints its first pixel alone (5f) and continues there
        movs    lr, lr, lsr #1          @ pairs; carry: one pixel alone
        sub     r12, r12, lr, lsl #7
        add     r12, r12, lr, lsl #4
        add     r12, r12, lr, lsl #2
        ldreq   r12, =6b                @ one pixel: on to the test after it
        strcs   r12, [sp, #12]
        ldrcs   r12, =5f
        .elseif \pixel_bytes == 44
        @ the same with the plain type's pairs of 44 bytes
        movs    lr, lr, lsr #1
        sub     r12, r12, lr, lsl #5
        sub     r12, r12, lr, lsl #3
        sub     r12, r12, lr, lsl #2
        ldreq   r12, =6b
        strcs   r12, [sp, #12]
        ldrcs   r12, =5f
        .elseif \pixel_bytes == 28
        sub     r12, r12, lr, lsl #5    @ 28 bytes a pixel
        add     r12, r12, lr, lsl #2
        .elseif \pixel_bytes == 92
        sub     r12, r12, lr, lsl #6    @ 92 bytes a pixel
        sub     r12, r12, lr, lsl #5
        add     r12, r12, lr, lsl #2
        .else
        .error "no entry computation for this pixel size"
        .endif
        .endm

@ Loads the pixel loop's registers for r10 pixels from the sample in r0-r3
@ with the steps in r4-r7 (see the pixel macros); r8 the first pixel, and
@ [sp, #16] where the pixels end. With MOVING_BY_GROUP the pixels are
@ addressed from their group's start, which lies before the first pixel
@ where the first group is entered part-way: the groups then end exactly
@ at the span's end. SIDE is the square texture's side, 2^SIDE texels: u's
@ column and v's row are put in the top SIDE bits, so that stepping them
@ wraps by itself and a shift takes each out (for 8, v shifted so is v
@ scaled by the width, the row in the top byte).
        .macro pixel_loop_setup pixel_bytes, operand, moving_by_group, side
        ldr     r8, [r11, #DST]
        mov     r0, r0, lsl #(16 - \side) @ u's column in the top SIDE bits
        add     lr, r8, r10, lsl #2
        str     lr, [sp, #16]
        .if \moving_by_group
        add     r9, r10, #7
        mov     r9, r9, lsr #3          @ groups
        sub     r8, lr, r9, lsl #5
        .endif
        ldr     r9, [r11, #TEXELS]
        mov     r1, r1, lsl #(16 - \side) @ v's row likewise
        .if \operand == 0
        ldr     r10, =0xFF00FF00
        .elseif \operand > 0
        ldr     r10, [r11, #\operand]
        .endif
        .if \pixel_bytes == 92
        ldr     r2, [r11, #LUMA_OFFSET]
        ldr     r6, =0x7F007F00
        .endif
        .if \side == 9
        ldr     r3, =0x1FF << 9         @ the row times 512
        .elseif \pixel_bytes != 108
        ldr     r3, =0xFF00FF00         @ the texel's row from v's top byte
        .endif
        .endm

@ A whole span, for one rendering type: NAME the function, SAMPLE the
@ sample routine, PIXEL the pixel macro of PIXEL_BYTES bytes (a pair's for
@ the types in pairs, 108 shaded, 44 plain), OPERAND the
@ job's word that goes in r10 (the chroma mask is loaded when it is 0,
@ nothing when it is negative),
@ MOVING_BY_GROUP whether the pixels address the destination from their
@ group's start (the pixel does not move r8 itself), SIDE the texture's
@ side, 2^SIDE texels (8 but for the plain type's 512 x 512 loop).
        .macro span_function name, sample, pixel, pixel_bytes, operand, moving_by_group, sample_code, side=8
        .global \name
        .type \name, %function
\name:
        push    {r4-r11, lr}
        @ [sp] the job, [sp, #4] where the pixels return to, [sp, #8] a
        @ whole subspan's pixels, [sp, #16] where the pixels end
        sub     sp, sp, #24
        mov     r11, r0
        ldr     r10, [r11, #SEEDS]
        str     r0, [sp]
        mvn     r9, #0                  @ no exponent known yet
        sub     r10, r10, #1024         @ indexed by m >> 7, from 256
        add     r12, r11, #EXPONENT
        stmia   r12, {r9, r10}
        ldr     r12, =1f
        ldr     r9, [r11, #SUBSPAN_SHIFT]
        str     r12, [sp, #4]
        mov     r10, #1
        mov     r10, r10, lsl r9
        str     r10, [sp, #8]
        add     r12, r11, #PLANES
        ldmia   r12, {r0-r3}
        bl      \sample
        add     r12, r11, #SAMPLE
        stmia   r12, {r4-r7}
1:      @ the next subspan
        ldr     r8, [sp, #8]
        ldr     r10, [r11, #LEFT]
        add     r12, r11, #PLANES       @ while LEFT arrives
        subs    r10, r10, r8
        ble     2f
        str     r10, [r11, #LEFT]
        @ a whole subspan: the planes stepped, sampled at its end
        ldmia   r12, {r0-r7}            @ the planes and their steps
        add     r0, r0, r4
        add     r1, r1, r5
        add     r2, r2, r6
        add     r3, r3, r7
        stmia   r12, {r0-r3}
        \sample_code \name\()_whole
        add     r12, r11, #SAMPLE
        ldmia   r12, {r0-r3}            @ the subspan's first sample
        stmia   r12, {r4-r7}            @ its last is the next one's first
        ldr     r9, [r11, #SUBSPAN_SHIFT]
        sub     r4, r4, r0
        mov     r4, r4, asr r9
        sub     r5, r5, r1
        mov     r5, r5, asr r9
        sub     r6, r6, r2
        mov     r6, r6, asr r9
        sub     r7, r7, r3
        mov     r7, r7, asr r9
        ldr     r10, [sp, #8]
        @ whole groups of eight, straight into the first
        pixel_loop_setup \pixel_bytes, \operand, \moving_by_group, \side
9:      .irp at, 0, 4, 8, 12, 16, 20, 24, 28
        \pixel \at
        .endr
6:      @ paints r10 pixels from the sample in r0-r3 with the steps in r4-r7,
        @ eight at a time after a first group that may be entered part-way,
        @ then continues at [sp, #4]. r12 is where the pixels end: loaded
        @ here, or for the types in pairs by the group's last pixel, where
        @ the load has time to arrive before the compare.
        .if \pixel_bytes == 108 || \pixel_bytes == 44
        .if (6b - 9b) != 4 * \pixel_bytes + 4 @ the entry's arithmetic assumes it
        .error "a pair is not PIXEL_BYTES bytes"
        .endif
        .endif
        .if \moving_by_group
        ldr     r12, [sp, #16]
        add     r8, r8, #32
        .endif
        cmp     r8, r12
        blo     9b
        ldmia   sp, {r11, r12}          @ the job, where to continue
        str     r8, [r11, #DST]
        mov     pc, r12
2:      @ the last subspan, r10 pixels (1 to a whole subspan), sampled at its
        @ last pixel
        add     r10, r10, r8
        cmp     r10, #1
        bne     3f
        add     r12, r11, #SAMPLE
        ldmia   r12, {r0-r3}
        mov     r4, #0
        mov     r5, #0
        mov     r6, #0
        mov     r7, #0
        b       4f
3:      add     r12, r11, #LASTS
        ldmia   r12, {r0-r3}
        bl      \sample
        add     r12, r11, #SAMPLE
        ldmia   r12, {r0-r3}
        ldr     r10, [r11, #LEFT]
        ldr     r9, [r11, #STEP_RECIPROCAL]
        sub     r8, r10, #1
        ldr     r9, [r9, r8, lsl #2]    @ 2^16 / steps
        @ d * 2^16 / steps as (d * reciprocal) >> 16, for u, v, a, b
        sub     r4, r4, r0
        smull   r8, r4, r9, r4
        mov     r8, r8, lsr #16
        orr     r4, r8, r4, lsl #16
        sub     r5, r5, r1
        smull   r8, r5, r9, r5
        mov     r8, r8, lsr #16
        orr     r5, r8, r5, lsl #16
        sub     r6, r6, r2
        smull   r8, r6, r9, r6
        mov     r8, r8, lsr #16
        orr     r6, r8, r6, lsl #16
        sub     r7, r7, r3
        smull   r8, r7, r9, r7
        mov     r8, r8, lsr #16
        orr     r7, r8, r7, lsl #16
4:      ldr     r12, =7f
        mov     r8, #0
        str     r8, [r11, #LEFT]
        str     r12, [sp, #4]
        entry_for_pixels \pixel_bytes
        pixel_loop_setup \pixel_bytes, \operand, \moving_by_group, \side
        mov     pc, r12
        .if \pixel_bytes == 108 || \pixel_bytes == 44
5:      @ an odd count's first pixel, alone, then its pairs
        \pixel -1
        ldr     pc, [sp, #12]
        .endif
7:      add     sp, sp, #24
        pop     {r4-r11, lr}
        bx      lr
        .ltorg
        .size \name, . - \name
        .endm

@ void lumenfall_arm_shaded_span(ArmSpan* span)
        span_function lumenfall_arm_shaded_span, shaded_sample, shaded_pixel_at, 108, 0, 0, shaded_sample_code
@ void lumenfall_arm_keyed_span(ArmSpan* span)
        span_function lumenfall_arm_keyed_span, uv_sample, keyed_pixel, 28, KEY, 1, uv_sample_code
@ void lumenfall_arm_cast_span(ArmSpan* span)
        span_function lumenfall_arm_cast_span, uv_sample, cast_pixel, 92, KEY, 1, uv_sample_code
@ void lumenfall_arm_plain_span(ArmSpan* span)
        span_function lumenfall_arm_plain_span, uv_sample, plain_pair256_pixel, 44, -1, 0, uv_sample_code
@ void lumenfall_arm_plain512_span(ArmSpan* span)
        span_function lumenfall_arm_plain512_span, uv_sample, plain_pair512_pixel, 44, -1, 0, uv_sample_code, 9

@ FacetGradients offsets (gradients.h): the w plane's AttributePlane, each
@ plane's 24 bytes, and the RowStart at row 0.
        .equ G_W, 32
        .equ G_ROW_ZERO, 128
        .equ PLANE_DX, 8
        .equ PLANE_DY, 16

@ N = START plus the bit length of X (at least 1), by halves and the byte
@ bit-length table in lr; clobbers X and T.
        .macro bit_length x, t, n, start
        .if \start < 0
        mvn     \n, #(-(\start) - 1)
        .else
        mov     \n, #\start
        .endif
        movs    \t, \x, lsr #16
        movne   \x, \t
        addne   \n, \n, #16
        movs    \t, \x, lsr #8
        movne   \x, \t
        addne   \n, \n, #8
        ldrb    \t, [lr, \x]
        add     \n, \n, \t
        .endm

@ int lumenfall_arm_shaded_row / keyed_row / cast_row / plain_row / plain512_row(
@     ArmSpan* job,
@     const FacetGradients* g, uint32_t* row, int32_t x_begin, int32_t x_end,
@     int32_t y)
@ One span of a row, what paint_textured_row and paint_arm_span (span_paint.cpp)
@ do on the C++ side, then the span's loop: the planes at row y (row_start),
@ the subspan length (long_subspans_fit), each plane's 32-bit values and
@ shift for it (span_plane, plane_ahead), the samples' shifts
@ (sample_shifts_fit), all into the job, whose facet-wide words the caller
@ has written. Returns 1 when painted; 0, painting nothing, where a plane
@ would need a shift of 32 or more or a sample's shift leaves [0, 31]: the
@ C++ code then paints the span.
        .macro span_row name, planes, paint
        .global \name
        .type \name, %function
\name:
        push    {r4-r11, lr}
        sub     sp, sp, #28
        @ [sp] x_begin, [sp, #4] ahead, [sp, #8] where the job's planes end,
        @ [sp, #12] the byte bit-length table, [sp, #16] y, [sp, #20] the
        @ subspan shift, [sp, #24] the job
        ldr     r4, [sp, #64]           @ x_end
        ldr     r5, [sp, #68]           @ y
        ldr     r6, [r0, #BITS]
        add     r2, r2, r3, lsl #2
        sub     r7, r4, r3              @ the span's pixels
        str     r2, [r0, #DST]
        str     r7, [r0, #LEFT]
        sub     r7, r7, #1              @ ahead
        add     r8, r0, #4 * \planes
        str     r3, [sp]
        add     r12, sp, #4
        stmia   r12, {r7, r8}
        str     r6, [sp, #12]
        str     r5, [sp, #16]
        str     r0, [sp, #24]
        add     r2, r1, #G_ROW_ZERO
        add     r1, r1, #G_W
        mov     r3, #-1
        str     r3, [sp, #20]           @ no subspan length yet: the w plane decides
1:      @ the next plane: r0 its job words, r1 its AttributePlane, r2 its row-0 value
        ldmia   r2!, {r6, r7}
        ldr     r8, [r1, #PLANE_DY]
        ldr     r9, [r1, #PLANE_DY + 4]
        ldr     r3, [sp, #16]           @ y
        umlal   r6, r7, r8, r3          @ the row's value at column 0: row 0's plus dy * y
        mla     r7, r9, r3, r7
        ldr     r8, [r1, #PLANE_DX]
        ldr     r9, [r1, #PLANE_DX + 4]
        ldr     r3, [sp]                @ x_begin
        add     r1, r1, #24
        umlal   r6, r7, r8, r3          @ first = that plus dx * x_begin
        mla     r7, r9, r3, r7
        ldr     r3, [sp, #4]            @ ahead
        umull   r10, r11, r8, r3        @ across = dx * ahead
        mla     r11, r9, r3, r11
        ldr     r3, [sp, #20]
        adds    r4, r6, r10             @ last = first + across
        adc     r5, r7, r11
        cmp     r3, #0
        bge     6f
        @ the w plane: subspans of 32 where W changes by at most 1/32 of its
        @ smaller end value over 32 pixels, |dx| <= smaller >> 10
        mov     r3, r9, asr #31
        eor     r12, r8, r3
        eor     lr, r9, r3
        subs    r12, r12, r3
        sbc     lr, lr, r3              @ |dx|
        cmp     r6, r4
        sbcs    r3, r7, r5              @ first < last: the smaller is first
        movlt   r4, r6
        movlt   r5, r7
        mov     r3, #4
        cmp     r5, #0
        blt     5f                      @ not positive: 16
        cmpeq   r4, #0
        beq     5f
        mov     r4, r4, lsr #10
        orr     r4, r4, r5, lsl #22
        mov     r5, r5, asr #10
        subs    r4, r4, r12
        sbcs    r5, r5, lr
        movge   r3, #5
5:      str     r3, [sp, #20]
        str     r3, [r0, #SUBSPAN_SHIFT]
        adds    r4, r6, r10             @ last again
        adc     r5, r7, r11
6:      @ r3 the subspan shift: the step, dx << it
        rsb     r12, r3, #32
        mov     r9, r9, lsl r3
        orr     r9, r9, r8, lsr r12
        mov     r8, r8, lsl r3
        mov     r3, r5, asr #31         @ |last|
        eor     r4, r4, r3
        eor     r5, r5, r3
        subs    r4, r4, r3
        sbc     r5, r5, r3
        mov     r3, r7, asr #31         @ |first|
        eor     r12, r6, r3
        eor     lr, r7, r3
        subs    r12, r12, r3
        sbc     lr, lr, r3
        cmp     r4, r12                 @ the larger; both lie below 2^63
        sbcs    r3, r5, lr
        movlt   r4, r12
        movlt   r5, lr
        mov     r3, r9, asr #31         @ plus |step|
        eor     r12, r8, r3
        eor     lr, r9, r3
        subs    r12, r12, r3
        sbc     lr, lr, r3
        adds    r4, r4, r12
        adcs    r5, r5, lr
        bne     3f
        @ below 2^32 only the top two bits count: a shift of 0, 1 or 2
        mov     r3, r4, lsr #30
        cmp     r3, #2
        movhs   r3, #2
2:      @ r3 the plane's shift: each value's low word after it
        rsb     r12, r3, #32
        mov     r6, r6, lsr r3
        orr     r6, r6, r7, lsl r12     @ a register shift of 32 leaves 0
        mov     r8, r8, lsr r3
        orr     r8, r8, r9, lsl r12
        mov     r10, r10, lsr r3
        orr     r10, r10, r11, lsl r12
        add     r10, r10, r6            @ the last pixel's: first's plus across's
        str     r6, [r0, #PLANES]
        str     r8, [r0, #STEPS]
        str     r10, [r0, #LASTS]
        str     r3, [r0, #PLANE_SHIFTS]
        ldr     r12, [sp, #8]
        add     r0, r0, #4
        cmp     r0, r12
        blo     1b
        b       7f
3:      @ at or above 2^32: the high word's bit length plus 2
        ldr     lr, [sp, #12]
        bit_length r5, r12, r3, 2
        cmp     r3, #32
        blo     2b
        b       8f
7:      @ the samples' shifts: W's exponent over the span lies between those
        @ of its smallest and largest sample, within a unit a subspan of
        @ truncated steps below the line through its ends
        ldr     r0, [sp, #24]
        ldr     lr, [sp, #12]
        ldr     r6, [r0, #PLANES]       @ w at the first pixel
        ldr     r7, [r0, #LASTS]        @ and at the last
        ldr     r8, [r0, #LEFT]
        ldr     r3, [sp, #20]
        cmp     r6, r7
        movlt   r9, r6
        movge   r9, r7                  @ the smaller
        movlt   r10, r7
        movge   r10, r6                 @ the larger
        mov     r8, r8, lsr r3
        add     r8, r8, #4              @ the margin
        sub     r4, r9, r8
        cmp     r4, #1
        movlt   r4, #1
        bit_length r4, r5, r9, -16      @ e_low
        add     r4, r10, #4
        cmp     r4, #1
        movlt   r4, #1
        bit_length r4, r5, r8, -16      @ e_high
        ldr     r10, [r0, #PLANE_SHIFTS]
        add     r12, r0, #PLANE_SHIFTS + 4
        add     r10, r10, #2            @ 32 - 30 + w's shift
        .if \planes == 4
        ldmia   r12, {r5, r6, r7}       @ uw's, vw's and sw's shifts
        .else
        ldmia   r12, {r5, r6}
        .endif
        sub     r5, r10, r5
        adds    r11, r5, r9             @ each plus e_low at least 0,
        bmi     8f
        add     r11, r5, r8             @ plus e_high at most 31
        cmp     r11, #31
        bgt     8f
        sub     r6, r10, r6
        adds    r11, r6, r9
        bmi     8f
        add     r11, r6, r8
        cmp     r11, #31
        bgt     8f
        str     r5, [r0, #SHIFT_U]
        str     r6, [r0, #SHIFT_V]
        .if \planes == 4
        sub     r7, r10, r7
        adds    r11, r7, r9
        bmi     8f
        add     r11, r7, r8
        cmp     r11, #31
        bgt     8f
        str     r7, [r0, #SHIFT_S]
        .endif
        bl      \paint
        mov     r0, #1
        b       9f
8:      mov     r0, #0
9:      add     sp, sp, #28
        pop     {r4-r11, lr}
        bx      lr
        .size \name, . - \name
        .endm

        span_row lumenfall_arm_shaded_row, 4, lumenfall_arm_shaded_span
        span_row lumenfall_arm_keyed_row, 3, lumenfall_arm_keyed_span
        span_row lumenfall_arm_cast_row, 3, lumenfall_arm_cast_span
        span_row lumenfall_arm_plain_row, 3, lumenfall_arm_plain_span
        span_row lumenfall_arm_plain512_row, 3, lumenfall_arm_plain512_span

@ void lumenfall_arm_fill(uint32_t* dst, int32_t count, uint32_t colour):
@ count words of colour, eight at a time with one store-multiple (the
@ write buffer takes them as bursts).
        .global lumenfall_arm_fill
        .type lumenfall_arm_fill, %function
lumenfall_arm_fill:
        push    {r4-r8}
        mov     r3, r2
        mov     r4, r2
        mov     r5, r2
        mov     r6, r2
        mov     r7, r2
        mov     r8, r2
        mov     r12, r2
        subs    r1, r1, #8
        blt     2f
1:      stmia   r0!, {r2-r8, r12}
        subs    r1, r1, #8
        bge     1b
2:      adds    r1, r1, #8
        beq     4f
3:      str     r2, [r0], #4
        subs    r1, r1, #1
        bne     3b
4:      pop     {r4-r8}
        bx      lr
        .size lumenfall_arm_fill, . - lumenfall_arm_fill
