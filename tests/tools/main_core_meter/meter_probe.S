@ A program for the main-core meter's test: maps a file named "mem" (the
@ meter takes it for the memory device) and makes a known set of accesses
@ to it between calls of frame_mark. No C library: the old system-call
@ convention, as on the handheld.
        .syntax unified
        .arm
        .text
        .global _start
_start:
        adr     r0, name
        mov     r1, #2                  @ O_RDWR
        swi     0x900005                @ open
        mov     r4, r0
        mov     r0, #0
        mov     r1, #4096
        mov     r2, #3                  @ PROT_READ | PROT_WRITE
        mov     r3, #1                  @ MAP_SHARED
        mov     r5, #0
        swi     0x9000c0                @ mmap2: r4 fd, r5 offset
        mov     r4, r0
        bl      frame_mark
        @ Frame 1: one burst of 8 words read, a byte read, three words and a
        @ halfword written one by one.
        ldmia   r4, {r0-r3, r5-r8}
        ldrb    r0, [r4, #64]
        str     r0, [r4, #0]
        str     r0, [r4, #4]
        str     r0, [r4, #8]
        strh    r0, [r4, #12]
        bl      frame_mark
        @ Frame 2: a wait (its reads are not work), then a burst of 4 words
        @ written.
        bl      wait_here
        stmia   r4, {r0-r3}
        bl      frame_mark
        @ Frame 3: two waits with a failed poll between them (one read):
        @ the poll counts as waiting; then one read that counts.
        bl      wait_here
        ldr     r0, [r4, #16]
        bl      wait_here
        ldr     r0, [r4, #20]
        bl      frame_mark
        mov     r0, #0
        swi     0x900001                @ exit
name:   .asciz  "mem"
        .align  2

        .global frame_mark
frame_mark:
        bx      lr

        .global wait_here
wait_here:
        ldr     r0, [r4, #32]
        ldr     r0, [r4, #36]
        bx      lr
        .global wait_here_end
wait_here_end:
