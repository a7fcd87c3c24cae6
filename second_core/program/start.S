@ Start code of the second core's program.
@
@ The loader copies the image to second-core address 0 and releases the
@ core, which starts at the first word in supervisor mode with interrupts
@ masked. Word 0 branches over the header (words 1 to 5, filled in after the
@ link); words 6 and 7, where the core looks for IRQ and FIQ handlers, stop
@ the core, since the program never unmasks either.
@
@ The image runs where it is loaded, so .data is already in place; only
@ .bss needs clearing before the constructors and main run.

    .syntax unified
    .arm
    .section .start, "ax"
    .global _start
_start:
    b       reset_entry
    .space  20                      @ the image header
    b       second_core_halt        @ IRQ
    b       second_core_halt        @ FIQ

reset_entry:
    msr     cpsr_c, #0xD3           @ supervisor mode, IRQ and FIQ masked
    ldr     sp, =__stack_top

    ldr     r0, =__bss_start
    ldr     r1, =__bss_end
    mov     r2, #0
clear_bss:
    cmp     r0, r1
    strlo   r2, [r0], #4
    blo     clear_bss

    ldr     r4, =__init_array_start
    ldr     r5, =__init_array_end
run_constructors:
    cmp     r4, r5
    bhs     constructors_done
    ldr     r3, [r4], #4
    mov     lr, pc                  @ pc reads 8 ahead: returns to the branch below
    bx      r3
    b       run_constructors
constructors_done:
    bl      main

@ Where the program ends up when it cannot go on (main returned, memory ran
@ out, a library routine aborted): a tight loop at a known address.
    .global second_core_halt
second_core_halt:
    b       second_core_halt
