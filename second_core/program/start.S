@ Start code of the second core's program.
@
@ The loader copies the image to second-core address 0 and releases the
@ core, which starts at the first word in supervisor mode with interrupts
@ masked. The image opens with the exception vectors (second_core/
@ image_header.h): word 0 branches to the start code; every other vector
@ branches to a halt of its own, a branch to itself at a fixed address, so
@ that a debugger or the emulator tells from the program counter alone why
@ the core stopped. The header, filled in after the link, sits between the
@ vectors and the halts.
@
@ The image runs where it is loaded, so .data is already in place; only
@ .bss needs clearing before the constructors and main run.

    .syntax unified
    .arm
    .section .start, "ax"
    .global _start
_start:
    b       reset_entry             @ 0x00 reset
    b       undefined_halt          @ 0x04 undefined instruction
    b       swi_halt                @ 0x08 software interrupt
    b       prefetch_abort_halt     @ 0x0C prefetch abort
    b       data_abort_halt         @ 0x10 data abort
    b       reserved_halt           @ 0x14 reserved
    b       irq_halt                @ 0x18 IRQ (never unmasked)
    b       fiq_halt                @ 0x1C FIQ (never unmasked)
    .space  20                      @ 0x20 the image header

    .org    0x34
undefined_halt:         b undefined_halt
swi_halt:               b swi_halt
prefetch_abort_halt:    b prefetch_abort_halt
data_abort_halt:        b data_abort_halt
reserved_halt:          b reserved_halt
irq_halt:               b irq_halt
fiq_halt:               b fiq_halt
@ Where the program ends up when it cannot go on (main returned, memory ran
@ out, a library routine aborted).
    .global second_core_halt
second_core_halt:       b second_core_halt

    .org    0x54
reset_entry:
    msr     cpsr_c, #0xD3           @ supervisor mode, IRQ and FIQ masked

    @ Whatever ran on this core before may have left the protection unit
    @ and the caches on, the data cache with dirty lines of its own. Before
    @ the first load or store: everything off, then every line of both
    @ caches dropped unwritten, so no line of an earlier program is ever
    @ written back over this one.
    mrc     p15, 0, r0, c1, c0, 0
    bic     r0, r0, #0x1000         @ instruction cache
    bic     r0, r0, #0x0005         @ data cache, protection unit
    mcr     p15, 0, r0, c1, c0, 0
    mov     r0, #0
    mcr     p15, 0, r0, c7, c5, 0   @ flush the instruction cache
    mcr     p15, 0, r0, c7, c6, 0   @ flush the data cache

    ldr     sp, =__stack_top
    bl      second_core_setup_memory   @ regions, caches, clocking

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
    b       second_core_halt
