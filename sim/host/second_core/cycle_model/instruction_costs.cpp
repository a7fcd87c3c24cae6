#include "instruction_costs.h"

namespace sim::cycles {
namespace {

constexpr uint16_t bit(uint32_t reg) {
    return static_cast<uint16_t>(1u << (reg & 15u));
}
constexpr uint32_t pc = 15;

uint32_t field(uint32_t word, int at) {
    return (word >> at) & 0xFu;
}

// Data processing: one cycle; a shift by a register takes a second to read
// it; a result written to the PC refills the pipeline, two cycles more.
InstructionCost data_processing(uint32_t w) {
    InstructionCost c;
    const bool immediate = (w >> 25) & 1u;
    const uint32_t opcode = (w >> 21) & 0xFu;
    const bool compare = opcode >= 8 && opcode <= 11;
    const bool move = opcode == 13 || opcode == 15;
    if (!move) c.reads |= bit(field(w, 16));
    if (!immediate) {
        c.reads |= bit(field(w, 0));
        if ((w >> 4) & 1u) { // shift by register
            c.reads |= bit(field(w, 8));
            c.cycles += 1;
        }
    }
    if (!compare && field(w, 12) == pc) c.cycles += 2;
    return c;
}

// Single loads and stores: one cycle; the loaded word can be used one
// cycle later (a byte, halfword or signed load two), so the next
// instruction that needs it waits. A load into the PC costs four more.
InstructionCost single_transfer(uint32_t w, bool halfword_form) {
    InstructionCost c;
    const bool load = (w >> 20) & 1u;
    const uint32_t rn = field(w, 16), rd = field(w, 12);
    c.reads |= bit(rn);
    const bool register_offset = halfword_form ? ((w >> 22) & 1u) == 0 : ((w >> 25) & 1u) != 0;
    if (register_offset) c.reads |= bit(field(w, 0));
    if (load) {
        c.kind = InstructionKind::load;
        const bool narrow = halfword_form || ((w >> 22) & 1u) != 0;
        if (rd == pc) {
            c.cycles += 4;
        } else {
            c.late = bit(rd);
            c.late_delay = narrow ? 2 : 1;
        }
    } else {
        c.kind = InstructionKind::store;
        c.reads |= bit(rd);
    }
    return c;
}

// Load and store multiple: a cycle a register, two for a single one; loading
// the PC costs four more, and the last loaded register comes one cycle late.
InstructionCost block_transfer(uint32_t w) {
    InstructionCost c;
    const uint32_t list = w & 0xFFFFu;
    const uint32_t n = static_cast<uint32_t>(__builtin_popcount(list));
    const bool load = (w >> 20) & 1u;
    c.reads |= bit(field(w, 16));
    c.cycles = static_cast<uint8_t>(n <= 1 ? 2 : n);
    if (load) {
        c.kind = InstructionKind::load_multiple;
        if (list & bit(pc)) {
            c.cycles += 4;
        } else if (list != 0) {
            c.late = bit(31 - static_cast<uint32_t>(__builtin_clz(list)));
            c.late_delay = 1;
        }
    } else {
        c.kind = InstructionKind::store_multiple;
        c.reads |= static_cast<uint16_t>(list);
    }
    return c;
}

} // namespace

bool condition_passes(uint32_t cond, uint32_t cpsr) {
    const bool n = (cpsr >> 31) & 1u, z = (cpsr >> 30) & 1u, c = (cpsr >> 29) & 1u,
               v = (cpsr >> 28) & 1u;
    switch (cond & 0xFu) {
    case 0x0:
        return z;
    case 0x1:
        return !z;
    case 0x2:
        return c;
    case 0x3:
        return !c;
    case 0x4:
        return n;
    case 0x5:
        return !n;
    case 0x6:
        return v;
    case 0x7:
        return !v;
    case 0x8:
        return c && !z;
    case 0x9:
        return !c || z;
    case 0xA:
        return n == v;
    case 0xB:
        return n != v;
    case 0xC:
        return !z && n == v;
    case 0xD:
        return z || n != v;
    case 0xE:
        return true;
    default:
        return false; // never, on ARMv4T
    }
}

uint32_t multiplier_iterations(uint32_t rs, bool is_unsigned) {
    for (uint32_t m = 1; m < 4; ++m) {
        const uint32_t top = rs >> (8 * m);
        const uint32_t ones = 0xFFFFFFFFu >> (8 * m);
        if (top == 0 || (!is_unsigned && top == ones)) return m;
    }
    return 4;
}

InstructionCost decode_arm(uint32_t w) {
    InstructionCost c;
    const uint32_t cond = w >> 28;
    c.conditional = cond != 0xE;
    if ((w & 0x0FFFFFF0u) == 0x012FFF10u) { // BX: refills the pipeline
        c.reads = bit(field(w, 0));
        c.cycles = 3;
    } else if ((w & 0x0E000000u) == 0x0A000000u) { // B, BL
        c.cycles = 3;
    } else if ((w & 0x0FC000F0u) == 0x00000090u) { // MUL, MLA
        c.kind = InstructionKind::multiply;
        c.rs = static_cast<uint8_t>(field(w, 8));
        c.reads = bit(field(w, 0)) | bit(field(w, 8));
        if ((w >> 21) & 1u) c.reads |= bit(field(w, 12));
        c.cycles = (w >> 21) & 1u ? 2 : 1;         // plus the iterations
    } else if ((w & 0x0F8000F0u) == 0x00800090u) { // UMULL, UMLAL, SMULL, SMLAL
        c.kind = InstructionKind::multiply_long;
        c.rs = static_cast<uint8_t>(field(w, 8));
        c.is_unsigned_long = ((w >> 22) & 1u) == 0;
        c.reads = bit(field(w, 0)) | bit(field(w, 8));
        if ((w >> 21) & 1u) c.reads |= bit(field(w, 12)) | bit(field(w, 16));
        c.cycles = (w >> 21) & 1u ? 3 : 2;
    } else if ((w & 0x0FB00FF0u) == 0x01000090u) { // SWP, SWPB
        c.kind = InstructionKind::load;
        c.reads = bit(field(w, 16)) | bit(field(w, 0));
        c.late = bit(field(w, 12));
        c.late_delay = 1;
        c.cycles = 2;
    } else if ((w & 0x0E000090u) == 0x00000090u && (w & 0x60u) != 0) { // LDRH, STRH, LDRS*
        c = single_transfer(w, true);
        c.conditional = cond != 0xE;
    } else if ((w & 0x0FBF0FFFu) == 0x010F0000u) { // MRS
        c.cycles = 2;
    } else if ((w & 0x0DB0F000u) == 0x0120F000u) { // MSR
        c.cycles = (w >> 16) & 1u ? 3 : 1;         // writing the control field takes longer
        if (((w >> 25) & 1u) == 0) c.reads = bit(field(w, 0));
    } else if ((w & 0x0C000000u) == 0x00000000u) {
        c = data_processing(w);
        c.conditional = cond != 0xE;
    } else if ((w & 0x0E000010u) == 0x06000010u) { // undefined
        c.cycles = 3;
    } else if ((w & 0x0C000000u) == 0x04000000u) {
        c = single_transfer(w, false);
        c.conditional = cond != 0xE;
    } else if ((w & 0x0E000000u) == 0x08000000u) {
        c = block_transfer(w);
        c.conditional = cond != 0xE;
    } else if ((w & 0x0F000000u) == 0x0F000000u) { // SWI: into the vector
        c.cycles = 3;
    } else if ((w & 0x0F100F10u) == 0x0E000F10u) { // MCR p15
        c.kind = InstructionKind::cp15_write;
        c.reads = bit(field(w, 12));
        c.cycles = 2;
    } else if ((w & 0x0F100010u) == 0x0E100010u) { // MRC
        c.cycles = 3;
    }
    return c;
}

// Thumb code is decoded coarsely: loads, stores, push and pop and branches
// by class, everything else one cycle. The second core's program is ARM
// code throughout.
InstructionCost decode_thumb(uint16_t h) {
    InstructionCost c;
    if ((h & 0xF000u) == 0xD000u && (h & 0x0F00u) != 0x0F00u) { // conditional branch
        c.cycles = 3;
        c.conditional = true;
    } else if ((h & 0xF800u) == 0xE000u || (h & 0xFF00u) == 0x4700u) { // B, BX
        c.cycles = 3;
    } else if ((h & 0xF800u) == 0xF800u) { // second half of BL
        c.cycles = 3;
    } else if ((h & 0xF000u) == 0xC000u || (h & 0xF600u) == 0xB400u) { // LDMIA/STMIA, PUSH/POP
        const uint32_t n = static_cast<uint32_t>(__builtin_popcount(h & 0x1FFu));
        const bool load = (h & 0xF000u) == 0xC000u ? (h & 0x0800u) != 0 : (h & 0x0800u) != 0;
        c.kind = load ? InstructionKind::load_multiple : InstructionKind::store_multiple;
        c.cycles = static_cast<uint8_t>(n <= 1 ? 2 : n);
    } else if ((h & 0xF000u) == 0x5000u || (h & 0xE000u) == 0x6000u || (h & 0xE000u) == 0x8000u ||
               (h & 0xF800u) == 0x4800u) { // loads and stores
        const bool load = (h & 0xF800u) == 0x4800u || ((h >> 11) & 1u) != 0;
        c.kind = load ? InstructionKind::load : InstructionKind::store;
    }
    return c;
}

} // namespace sim::cycles
