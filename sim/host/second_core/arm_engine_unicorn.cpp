#include "arm_engine.h"

#include "host_error.h"

#include <unicorn/unicorn.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace sim {
namespace {

std::string hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llx", static_cast<unsigned long long>(value));
    return text;
}

// The core's state after reset: supervisor mode, ARM state, IRQ and FIQ
// masked, as the processor comes out of reset.
constexpr uint32_t reset_cpsr = 0xD3;
// Where run_from_start asks the engine to end: an odd address in no mapped
// memory, which the program can never branch to in ARM state.
constexpr uint64_t never_reached = 0xFFFFFFFFu;

class UnicornEngine : public ArmEngine {
  public:
    UnicornEngine(uint8_t* memory, size_t bytes) : memory_(memory), bytes_(bytes) {
        if (uc_open(UC_ARCH_ARM, UC_MODE_ARM, &uc_) != UC_ERR_OK)
            throw HostError("cannot start the ARM emulator");
        // Before anything else: the model fixes the instruction set and the
        // control coprocessor. The 946 model accepts the protection-unit
        // core's CP15 set that the start code programs (regions, cacheable,
        // bufferable and access bits, cache operations, clocking bits),
        // where an MMU core's model faults on the region writes. It decodes
        // a later architecture than the handheld's ARMv4T core, so the build
        // checks that the image holds ARMv4T instructions only.
        check(uc_ctl_set_cpu_model(uc_, UC_CPU_ARM_946), "choose the protection-unit core model");
        check(uc_mem_map_ptr(uc_, 0, bytes, UC_PROT_ALL, memory), "map the second core's memory");
        check(uc_hook_add(uc_, &hook_, UC_HOOK_MEM_INVALID, reinterpret_cast<void*>(&on_invalid),
                          this, 1, 0),
              "watch invalid accesses");
    }
    ~UnicornEngine() override { uc_close(uc_); }

    ArmRunEnd run_from_start(uint64_t max_instructions) override {
        stop_requested_.store(false);
        reset_registers();
        // Forget translated code, so that a reloaded program runs as
        // loaded. (A whole TLB flush would do it too, but costs 0.3 to 2
        // seconds here.)
        uc_ctl_remove_cache(uc_, 0, bytes_);
        bad_access_ = {};
        const uc_err err = uc_emu_start(uc_, 0, never_reached, 0, max_instructions);
        ArmRunEnd end;
        end.pc = register_value(UC_ARM_REG_PC);
        if (err == UC_ERR_OK) {
            end.kind = stop_requested_.load() || max_instructions == 0
                           ? ArmRunEnd::Kind::stopped
                           : ArmRunEnd::Kind::budget_spent;
            return end;
        }
        end.kind = ArmRunEnd::Kind::fault;
        end.fault = describe(err, end.pc);
        end.pc_is_block_start = err == UC_ERR_READ_UNMAPPED || err == UC_ERR_WRITE_UNMAPPED ||
                                err == UC_ERR_READ_PROT || err == UC_ERR_WRITE_PROT;
        return end;
    }

    void stop() override {
        stop_requested_.store(true);
        uc_emu_stop(uc_);
    }

    void count_instructions() override {
        if (counting_) return;
        check(uc_hook_add(uc_, &count_hook_, UC_HOOK_BLOCK, reinterpret_cast<void*>(&on_block),
                          this, 1, 0),
              "count instructions");
        counting_ = true;
    }

    uint64_t instructions() const override { return executed_.load(std::memory_order_relaxed); }

  private:
    struct BadAccess {
        bool seen = false;
        uc_mem_type type = UC_MEM_READ;
        uint64_t address = 0;
    };

    // Each block entered runs to its end but for a fault, which ends the run
    // anyway: its size gives the count (4-byte ARM or 2-byte Thumb code).
    static void on_block(uc_engine* uc, uint64_t, uint32_t size, void* self) {
        auto* engine = static_cast<UnicornEngine*>(self);
        uint32_t cpsr = 0;
        uc_reg_read(uc, UC_ARM_REG_CPSR, &cpsr);
        const uint32_t bytes_per_instruction = (cpsr & 0x20u) != 0 ? 2 : 4;
        engine->executed_.fetch_add(size / bytes_per_instruction, std::memory_order_relaxed);
    }

    static bool on_invalid(uc_engine*, uc_mem_type type, uint64_t address, int, int64_t,
                           void* self) {
        auto* engine = static_cast<UnicornEngine*>(self);
        engine->bad_access_ = {true, type, address};
        return false; // the access fails and the run ends with it
    }

    void check(uc_err err, const char* what) {
        if (err == UC_ERR_OK) return;
        const std::string message =
            std::string("the ARM emulator cannot ") + what + ": " + uc_strerror(err);
        uc_close(uc_);
        throw HostError(message);
    }

    void reset_registers() {
        for (int reg = UC_ARM_REG_R0; reg <= UC_ARM_REG_R12; ++reg)
            set_register(reg, 0);
        set_register(UC_ARM_REG_SP, 0);
        set_register(UC_ARM_REG_LR, 0);
        set_register(UC_ARM_REG_CPSR, reset_cpsr);
        set_register(UC_ARM_REG_PC, 0);
    }

    void set_register(int reg, uint32_t value) { uc_reg_write(uc_, reg, &value); }
    uint32_t register_value(int reg) {
        uint32_t value = 0;
        uc_reg_read(uc_, reg, &value);
        return value;
    }

    // The word at a second-core address, if it is one.
    bool word_at(uint32_t address, uint32_t& word) const {
        if (address % 4 != 0 || address > bytes_ - 4) return false;
        std::memcpy(&word, memory_ + address, 4);
        return true;
    }

    std::string describe(uc_err err, uint32_t pc) const {
        switch (err) {
        case UC_ERR_INSN_INVALID: {
            uint32_t word = 0;
            return word_at(pc, word) ? "undefined instruction " + hex(word)
                                     : std::string("undefined instruction");
        }
        case UC_ERR_EXCEPTION:
            return "an exception the program has no handler for (software interrupt, "
                   "breakpoint or abort)";
        case UC_ERR_READ_UNMAPPED:
        case UC_ERR_WRITE_UNMAPPED:
        case UC_ERR_FETCH_UNMAPPED:
        case UC_ERR_READ_PROT:
        case UC_ERR_WRITE_PROT:
        case UC_ERR_FETCH_PROT: {
            const char* kind = err == UC_ERR_WRITE_UNMAPPED || err == UC_ERR_WRITE_PROT ? "store to"
                               : err == UC_ERR_FETCH_UNMAPPED || err == UC_ERR_FETCH_PROT
                                   ? "instruction fetch from"
                                   : "load from";
            const uint64_t address = bad_access_.seen ? bad_access_.address : pc;
            return std::string(kind) + " " + hex(address) + ", outside the second core's memory";
        }
        case UC_ERR_READ_UNALIGNED:
        case UC_ERR_WRITE_UNALIGNED:
        case UC_ERR_FETCH_UNALIGNED:
            return "unaligned access";
        default:
            return std::string("emulator error: ") + uc_strerror(err);
        }
    }

    uc_engine* uc_ = nullptr;
    uc_hook hook_ = 0;
    uint8_t* memory_;
    size_t bytes_;
    BadAccess bad_access_;
    std::atomic<bool> stop_requested_{false};
    uc_hook count_hook_ = 0;
    bool counting_ = false;
    std::atomic<uint64_t> executed_{0};
};

} // namespace

bool ArmEngine::supported() {
    return true;
}

std::unique_ptr<ArmEngine> ArmEngine::create(uint8_t* memory, size_t bytes) {
    return std::make_unique<UnicornEngine>(memory, bytes);
}

} // namespace sim
