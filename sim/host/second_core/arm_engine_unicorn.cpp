#include "arm_engine.h"

#include "host_error.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

namespace sim {
namespace {

std::string hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llx", static_cast<unsigned long long>(value));
    return text;
}

// The engine's register numbers for r0 to r15.
const int register_ids[16] = {UC_ARM_REG_R0,  UC_ARM_REG_R1, UC_ARM_REG_R2,  UC_ARM_REG_R3,
                              UC_ARM_REG_R4,  UC_ARM_REG_R5, UC_ARM_REG_R6,  UC_ARM_REG_R7,
                              UC_ARM_REG_R8,  UC_ARM_REG_R9, UC_ARM_REG_R10, UC_ARM_REG_R11,
                              UC_ARM_REG_R12, UC_ARM_REG_SP, UC_ARM_REG_LR,  UC_ARM_REG_PC};

// Code the cycle model decodes once and keeps: the program's own MiB.
constexpr uint32_t decoded_bytes = 0x100000;

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
        neutralise_engine_protection();
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
        // The coprocessor as after reset, in the engine too (an engine may
        // run several programs one after the other).
        control_ = cycles::ControlState{};
        apply_protection();
        uc_arm_cp_reg control{};
        control.cp = 15;
        control.crn = 1;
        control.val = control_.control;
        uc_reg_write(uc_, UC_ARM_REG_CP_REG, &control);
        neutralise_engine_protection();
        last_block_end_ = 0;
        watch_coprocessor_writes();
        if (model_) model_->reset();
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
        // A bad load or store: the engine's program counter is at the start
        // of the run of code the access was in; the cycle model's hook saw
        // the instruction itself.
        if (bad_access_.seen && err != UC_ERR_FETCH_PROT && err != UC_ERR_FETCH_UNMAPPED) {
            end.pc = model_ ? current_pc_ : bad_access_.pc;
            end.pc_is_block_start = model_ == nullptr;
        }
        return end;
    }

    void stop() override {
        stop_requested_.store(true);
        uc_emu_stop(uc_);
    }

    void count_instructions() override { counting_ = true; }

    uint64_t instructions() const override { return executed_.load(std::memory_order_relaxed); }

    void model_cycles(cycles::CycleModel& model, std::function<void()> probe) override {
        if (model_) return;
        model_ = &model;
        probe_ = std::move(probe);
        decoded_.assign(std::min<size_t>(bytes_, decoded_bytes) / 4, {});
        check(uc_hook_add(uc_, &code_hook_, UC_HOOK_CODE, reinterpret_cast<void*>(&on_code), this,
                          1, 0),
              "model the instructions");
        check(uc_hook_add(uc_, &memory_hook_, UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE,
                          reinterpret_cast<void*>(&on_memory), this, 1, 0),
              "model the data accesses");
    }

  private:
    struct BadAccess {
        bool seen = false;
        uc_mem_type type = UC_MEM_READ;
        uint64_t address = 0;
        uint32_t pc = 0; // of the instruction, as the engine had it
    };

    struct Decoded {
        uint32_t word = 0;
        bool valid = false;
        cycles::InstructionCost cost;
    };

    // Each block entered runs to its end but for a fault, which ends the run
    // anyway: its size gives the count (4-byte ARM or 2-byte Thumb code).
    // The engine ends a block after every write to a coprocessor register
    // that holds state, so the last word of the block before is where such
    // a write shows, with its source register still holding the value.
    static void on_block(uc_engine* uc, uint64_t address, uint32_t size, void* self) {
        auto* engine = static_cast<UnicornEngine*>(self);
        if (engine->model_) {
            // The code hook saw the coprocessor writes already, before the
            // engine made them: a region or access write of the program
            // has only now reached the engine's own protection unit.
            if (engine->neutralise_after_write_) {
                engine->neutralise_after_write_ = false;
                engine->neutralise_engine_protection();
            }
            if (engine->probe_) engine->probe_();
            engine->model_->publish();
        } else if (engine->last_block_end_ >= 4)
            engine->look_for_cp15_write(engine->last_block_end_ - 4);
        engine->last_block_end_ = address + size;
        if (!engine->counting_) return;
        uint32_t cpsr = 0;
        uc_reg_read(uc, UC_ARM_REG_CPSR, &cpsr);
        const uint32_t bytes_per_instruction = (cpsr & 0x20u) != 0 ? 2 : 4;
        engine->executed_.fetch_add(size / bytes_per_instruction, std::memory_order_relaxed);
    }

    // How the coprocessor writes are seen. Counting instructions or
    // modelling cycles needs a hook on every run of code anyway, and the
    // engine ends a run after each coprocessor write, so that hook looks
    // at the last word of the run before. Otherwise a hook on every run
    // would cost more than the code (about 7 ns a run of a few
    // instructions, against 2 ns an instruction), so only the places
    // where the loaded program holds a coprocessor write are watched: a
    // hook on the write itself, which works out the new state, and one on
    // the word after it, the next instruction to run, by which time the
    // engine has made the write too. The places are found afresh at every
    // start; code the program writes into its memory while it runs is not
    // looked at.
    void watch_coprocessor_writes() {
        if (counting_ || model_) {
            if (block_hook_ == 0)
                check(uc_hook_add(uc_, &block_hook_, UC_HOOK_BLOCK,
                                  reinterpret_cast<void*>(&on_block), this, 1, 0),
                      "watch the runs of code");
            return;
        }
        for (uc_hook hook : site_hooks_)
            uc_hook_del(uc_, hook);
        site_hooks_.clear();
        const uint32_t end = static_cast<uint32_t>(std::min<size_t>(bytes_, decoded_bytes));
        for (uint32_t at = 0; at + 4 <= end; at += 4) {
            uint32_t word = 0;
            uint32_t rd = 0;
            cycles::Cp15Write write;
            if (!word_at(at, word) || !cycles::decode_cp15_write(word, rd, write)) continue;
            add_site_hook(at, &on_cp15_site);
            add_site_hook(at + 4, &on_after_cp15_site);
        }
    }

    void add_site_hook(uint32_t at, void (*callback)(uc_engine*, uint64_t, uint32_t, void*)) {
        uc_hook hook = 0;
        check(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(callback), this, at,
                          at),
              "watch the coprocessor writes");
        site_hooks_.push_back(hook);
    }

    // Before a word that held a coprocessor write when the core started.
    static void on_cp15_site(uc_engine*, uint64_t address, uint32_t size, void* self) {
        auto* engine = static_cast<UnicornEngine*>(self);
        if (size != 4) return; // Thumb code has no coprocessor writes
        uint32_t word = 0;
        uint32_t rd = 0;
        cycles::Cp15Write write;
        const uint32_t pc = static_cast<uint32_t>(address);
        if (!engine->word_at(pc, word) || !cycles::decode_cp15_write(word, rd, write)) return;
        if (!cycles::condition_passes(word >> 28, engine->register_value(UC_ARM_REG_CPSR))) return;
        write.value = engine->register_value(register_ids[rd]);
        // Only a write to the regions, access bits or enable reaches the
        // engine's own protection unit (cache operations, the frequent
        // ones, do not).
        if (engine->apply_cp15(write).protection_changed) engine->neutralise_after_write_ = true;
    }

    // Before the word after one: the engine has made the write by now.
    static void on_after_cp15_site(uc_engine*, uint64_t, uint32_t, void* self) {
        auto* engine = static_cast<UnicornEngine*>(self);
        if (!engine->neutralise_after_write_) return;
        engine->neutralise_after_write_ = false;
        engine->neutralise_engine_protection();
    }

    // With the cycle model: every instruction, before it runs.
    static void on_code(uc_engine* uc, uint64_t address, uint32_t size, void* self) {
        auto* engine = static_cast<UnicornEngine*>(self);
        const uint32_t pc = static_cast<uint32_t>(address);
        cycles::InstructionCost cost;
        uint32_t word = 0;
        uint32_t condition = 0xE;
        if (size == 4) {
            engine->word_at(pc, word);
            cost = engine->decoded(pc, word);
            condition = word >> 28;
        } else {
            uint16_t half = 0;
            if (pc + 2 <= engine->bytes_) std::memcpy(&half, engine->memory_ + pc, 2);
            cost = cycles::decode_thumb(half);
            condition = (half >> 8) & 0xFu;
        }
        bool executed = true;
        if (cost.conditional) {
            uint32_t cpsr = 0;
            uc_reg_read(uc, UC_ARM_REG_CPSR, &cpsr);
            executed = cycles::condition_passes(condition, cpsr);
        }
        uint32_t rs_value = 0;
        if (executed && (cost.kind == cycles::InstructionKind::multiply ||
                         cost.kind == cycles::InstructionKind::multiply_long))
            rs_value = engine->register_value(register_ids[cost.rs & 15u]);
        engine->current_pc_ = pc;
        engine->model_->instruction(pc, cost, executed, rs_value, size);
        if (executed && cost.kind == cycles::InstructionKind::cp15_write) {
            uint32_t rd = 0;
            cycles::Cp15Write write;
            if (cycles::decode_cp15_write(word, rd, write)) {
                write.value = engine->register_value(register_ids[rd]);
                engine->apply_cp15(write);
            }
        }
    }

    static void on_memory(uc_engine*, uc_mem_type type, uint64_t address, int size, int64_t value,
                          void* self) {
        auto* engine = static_cast<UnicornEngine*>(self);
        engine->model_->data_access(static_cast<uint32_t>(address), static_cast<uint32_t>(size),
                                    type == UC_MEM_WRITE, static_cast<uint32_t>(value));
    }

    static bool on_invalid(uc_engine* uc, uc_mem_type type, uint64_t address, int, int64_t,
                           void* self) {
        auto* engine = static_cast<UnicornEngine*>(self);
        uint32_t pc = 0;
        uc_reg_read(uc, UC_ARM_REG_PC, &pc);
        engine->bad_access_ = {true, type, address, pc};
        return false; // the access fails and the run ends with it
    }

    cycles::InstructionCost decoded(uint32_t pc, uint32_t word) {
        const size_t i = pc / 4;
        if (i >= decoded_.size()) return cycles::decode_arm(word);
        Decoded& d = decoded_[i];
        if (!d.valid || d.word != word) d = {word, true, cycles::decode_arm(word)};
        return d.cost;
    }

    void look_for_cp15_write(uint32_t at) {
        uint32_t word = 0;
        uint32_t rd = 0;
        cycles::Cp15Write write;
        if (!word_at(at, word) || !cycles::decode_cp15_write(word, rd, write)) return;
        uint32_t cpsr = register_value(UC_ARM_REG_CPSR);
        if ((cpsr & 0x20u) != 0) return; // Thumb code that happens to look like one
        if (!cycles::condition_passes(word >> 28, cpsr)) return;
        write.value = register_value(register_ids[rd]);
        apply_cp15(write);
    }

    cycles::WriteEffect apply_cp15(const cycles::Cp15Write& write) {
        const cycles::WriteEffect effect = cycles::apply_write(control_, write);
        if (effect.protection_changed) {
            apply_protection();
            neutralise_engine_protection();
            neutralise_after_write_ = model_ != nullptr;
        }
        if (!model_) return effect;
        if (effect.attributes_changed) model_->control_changed(control_);
        if (effect.cache_operation != cycles::CacheOperation::none)
            model_->cache_operation(effect.cache_operation, write.value);
        return effect;
    }

    // The protection as the program set it, both sides apart, enforced page
    // by page: data pages readable and writable or not, instruction pages
    // executable or not.
    void apply_protection() {
        cycles::fill_page_table(control_, bytes_, pages_);
        std::vector<cycles::PermissionRun> runs = cycles::permission_runs(pages_);
        if (runs.size() == applied_runs_.size() &&
            std::equal(runs.begin(), runs.end(), applied_runs_.begin(), [](auto& a, auto& b) {
                return a.start == b.start && a.bytes == b.bytes && a.data == b.data &&
                       a.fetch == b.fetch;
            }))
            return;
        for (const cycles::PermissionRun& run : runs) {
            const uint32_t prot =
                (run.data ? UC_PROT_READ | UC_PROT_WRITE : 0) | (run.fetch ? UC_PROT_EXEC : 0);
            uc_mem_protect(uc_, run.start, run.bytes, prot);
        }
        applied_runs_ = std::move(runs);
    }

    // The engine's own protection unit keeps one set of regions for both
    // sides, so it cannot enforce the program's: its highest region is kept
    // at the whole address space with full access, which lets everything
    // through, and the pages above do the enforcing. (A program that reads
    // back region 7 or the access bits sees that.)
    void neutralise_engine_protection() {
        uc_arm_cp_reg reg{};
        reg.cp = 15;
        reg.crn = 6;
        reg.crm = 7;
        reg.val = 0x3F; // base 0, 4 GiB, enabled
        uc_reg_write(uc_, UC_ARM_REG_CP_REG, &reg);
        for (uint32_t op2 : {2u, 3u}) { // data and instruction access, four bits a region
            uc_arm_cp_reg ap{};
            ap.cp = 15;
            ap.crn = 5;
            ap.opc2 = op2;
            if (uc_reg_read(uc_, UC_ARM_REG_CP_REG, &ap) != UC_ERR_OK) continue;
            ap.val = (ap.val & 0x0FFFFFFFu) | 0x30000000u;
            uc_reg_write(uc_, UC_ARM_REG_CP_REG, &ap);
        }
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
            if (address < bytes_)
                return std::string(kind) + " " + hex(address) +
                       (err == UC_ERR_FETCH_PROT || err == UC_ERR_FETCH_UNMAPPED
                            ? ", which the instruction-side protection regions do not permit"
                            : ", which the data-side protection regions do not permit");
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
    uc_hook block_hook_ = 0;
    std::vector<uc_hook> site_hooks_;
    uc_hook code_hook_ = 0;
    uc_hook memory_hook_ = 0;
    bool counting_ = false;
    uint64_t last_block_end_ = 0;
    cycles::ControlState control_;
    cycles::PageTable pages_;
    std::vector<cycles::PermissionRun> applied_runs_;
    cycles::CycleModel* model_ = nullptr;
    uint32_t current_pc_ = 0; // with the model: the instruction running
    bool neutralise_after_write_ = false;
    std::function<void()> probe_;
    std::vector<Decoded> decoded_;
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

// LeakSanitizer's defaults, for every program that links the engine (only a
// sanitizer's runtime calls these). Unicorn 2.1.1 leaves one 32-byte array of
// its bundled GLib behind for each engine it closes (allocated in
// g_array_new, which nothing of ours calls), so that leak is suppressed; and
// the list of suppressions used is not printed at exit, so that the run's
// summary stays the last line of stderr, where scripts and tests read it.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:g_array_new\n";
}
extern "C" const char* __lsan_default_options();
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
