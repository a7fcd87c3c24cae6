// What an instruction costs on the ARM9TDMI pipeline with memory that never
// waits, decoded once from its word: the cycles it issues for when it
// executes, the registers it needs early (for the load-use interlock) and
// those a load gives late, and what the cycle model must add at run time
// (a multiply's early termination, a store or load multiple's grouping).
// Memory waits are not in here: the memory side adds them access by access.
#pragma once

#include <cstdint>

namespace sim::cycles {

enum class InstructionKind : uint8_t {
    other,
    load,          // single load: its data comes late
    load_multiple, // reads `registers` words
    store,
    store_multiple,
    multiply, // cycles still lack the multiplier's iterations
    multiply_long,
    cp15_write,
};

struct InstructionCost {
    uint8_t cycles = 1; // when it executes; a failed condition costs 1
    InstructionKind kind = InstructionKind::other;
    uint8_t rs = 0;                // multiplies: the register the multiplier steps through
    uint8_t late_delay = 0;        // cycles after issue before `late` can be used
    uint16_t reads = 0;            // registers read at the start of execute
    uint16_t late = 0;             // registers a load delivers late
    bool conditional = false;      // condition other than always
    bool is_unsigned_long = false; // UMULL/UMLAL end early only on leading zeros
};

InstructionCost decode_arm(uint32_t word);
InstructionCost decode_thumb(uint16_t half);

// The multiplier's iterations (8 bits of Rs a cycle, ending early once the
// rest of Rs is all zeros or, for a signed multiply, all ones).
uint32_t multiplier_iterations(uint32_t rs_value, bool is_unsigned);

// Whether the condition field of word passes with these N, Z, C, V flags
// (CPSR bits 31 to 28).
bool condition_passes(uint32_t condition, uint32_t cpsr);

} // namespace sim::cycles
