// The main-core meter: a qemu-arm plugin that counts, frame by frame, the
// instructions a program executes and the accesses it makes through its
// mappings of the memory device and the frame buffer device, which are
// uncached on the handheld. One line per frame goes to the file named by
// out=, for main_core_cost.py to add up.
//
// Arguments (qemu-arm -plugin meter.so,KEY=VALUE,...):
//   out=FILE          where the rows go (required)
//   frame=ADDR        a frame ends each time the code at ADDR runs (required)
//   wait=START-END    code in [START, END) is waiting, not work (repeatable)
//   scene=ADDR:NAME   from the frame in which ADDR runs on, the scene is NAME
//   note=ADDR         frames in which ADDR runs are marked (picture loading)
//
// Waiting is kept apart because its cost is the emulator's timing, not the
// program's: a wait of a millisecond here may be no wait at all on the
// handheld. Besides the code in the wait functions, the few instructions of
// a failed poll between two visits of them (at most poll_gap) count as
// waiting too, so that a wait costs the same however often it polled.
#include "qemu_plugin_abi.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" {
__attribute__((visibility("default"))) int qemu_plugin_version = 1;
}

namespace {

// Longer than any failed poll of the client library or the display loop
// (a load, a compare and a branch; the display's mailbox check with its
// stop test is about 40), far shorter than any real piece of a frame.
constexpr uint64_t poll_gap = 64;

enum Device { device_mem, device_fb, device_count };
const char* const device_names[device_count] = {"mem", "fb"};

struct Counts {
    uint64_t insns = 0;
    // Per device: reads and writes, each split into the first access of a
    // burst (non-sequential) and the words after it in the same burst.
    uint64_t read_first[device_count] = {};
    uint64_t read_next[device_count] = {};
    uint64_t write_first[device_count] = {};
    uint64_t write_next[device_count] = {};

    void add(const Counts& other, int sign) {
        insns += sign * other.insns;
        for (int d = 0; d < device_count; ++d) {
            read_first[d] += sign * other.read_first[d];
            read_next[d] += sign * other.read_next[d];
            write_first[d] += sign * other.write_first[d];
            write_next[d] += sign * other.write_next[d];
        }
    }
    uint64_t accesses() const {
        uint64_t n = 0;
        for (int d = 0; d < device_count; ++d)
            n += read_first[d] + read_next[d] + write_first[d] + write_next[d];
        return n;
    }
};

struct Mapping {
    uint64_t start;
    uint64_t end;
    Device device;
};

struct Range {
    uint64_t start;
    uint64_t end;
};

struct Scene {
    uint64_t address;
    std::string name;
};

// What the meter knows of a translated block; a block is translated once
// and executed many times.
struct Block {
    uint32_t insns;
    bool wait;
    bool frame_marker;
    bool note;
    int scene; // index into scenes, or -1
};

struct State {
    FILE* out = nullptr;
    uint64_t frame_address = 0;
    std::vector<Range> waits;
    std::vector<Scene> scenes;
    std::vector<uint64_t> notes;
    std::vector<Mapping> mappings;

    Counts work;
    Counts waiting;
    uint64_t frame = 0;
    int scene = -1;
    bool noted = false;

    bool in_wait = false;
    // The work counts when the program last left a wait function, while no
    // frame ended since: the start of what may be a failed poll.
    bool gap_open = false;
    Counts gap_start;

    // Each execution of a block gets a number; two accesses of one
    // instruction within one execution are one LDM or STM.
    uint64_t block_run = 0;
    uint64_t last_run = 0;
    const void* last_insn = nullptr;
    uint64_t last_address = 0;
    bool last_store = false;

    // The mmap2 call in flight: its file descriptor and length.
    int64_t mmap_fd = -1;
    uint64_t mmap_length = 0;
};

State state;

bool in_ranges(const std::vector<Range>& ranges, uint64_t address) {
    for (const Range& r : ranges)
        if (address >= r.start && address < r.end) return true;
    return false;
}

const char* scene_name() {
    return state.scene < 0 ? "-" : state.scenes[static_cast<size_t>(state.scene)].name.c_str();
}

void write_header() {
    std::fprintf(state.out, "# frame scene note insns");
    for (const char* name : device_names)
        std::fprintf(state.out, " %s_read_first %s_read_next %s_write_first %s_write_next", name,
                     name, name, name);
    std::fprintf(state.out, " wait_insns wait_accesses\n");
}

void write_row(const char* label) {
    std::fprintf(state.out, "%s %s %d %" PRIu64, label, scene_name(), state.noted ? 1 : 0,
                 state.work.insns);
    for (int d = 0; d < device_count; ++d)
        std::fprintf(state.out, " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64,
                     state.work.read_first[d], state.work.read_next[d], state.work.write_first[d],
                     state.work.write_next[d]);
    std::fprintf(state.out, " %" PRIu64 " %" PRIu64 "\n", state.waiting.insns,
                 state.waiting.accesses());
    std::fflush(state.out);
}

void end_frame() {
    ++state.frame;
    write_row(std::to_string(state.frame).c_str());
    state.work = Counts{};
    state.waiting = Counts{};
    state.noted = false;
    state.gap_open = false;
}

void block_executed(unsigned int, void* userdata) {
    const Block& block = *static_cast<const Block*>(userdata);
    ++state.block_run;
    if (block.frame_marker) end_frame();
    if (block.scene >= 0) state.scene = block.scene;
    if (block.note) state.noted = true;

    if (block.wait && !state.in_wait) {
        // Back in a wait shortly after leaving one: what ran in between was
        // a failed poll.
        if (state.gap_open && state.work.insns - state.gap_start.insns <= poll_gap) {
            Counts poll = state.work;
            poll.add(state.gap_start, -1);
            state.work = state.gap_start;
            state.waiting.add(poll, 1);
        }
        state.gap_open = false;
    } else if (!block.wait && state.in_wait) {
        state.gap_open = true;
        state.gap_start = state.work;
    }
    state.in_wait = block.wait;
    (block.wait ? state.waiting : state.work).insns += block.insns;
}

void memory_access(unsigned int, qemu_plugin_meminfo_t info, uint64_t address, void* insn) {
    const Mapping* hit = nullptr;
    for (const Mapping& m : state.mappings) {
        if (address >= m.start && address < m.end) {
            hit = &m;
            break;
        }
    }
    if (hit == nullptr) return;
    const bool store = qemu_plugin_mem_is_store(info);
    // A burst: the same instruction in the same execution, the next word on.
    const bool next = insn == state.last_insn && state.block_run == state.last_run &&
                      store == state.last_store && address == state.last_address + 4;
    state.last_insn = insn;
    state.last_run = state.block_run;
    state.last_address = address;
    state.last_store = store;

    Counts& counts = state.in_wait ? state.waiting : state.work;
    const int d = hit->device;
    if (store)
        ++(next ? counts.write_next[d] : counts.write_first[d]);
    else
        ++(next ? counts.read_next[d] : counts.read_first[d]);
}

void block_translated(qemu_plugin_id_t, qemu_plugin_tb* tb) {
    const uint64_t start = qemu_plugin_tb_vaddr(tb);
    const size_t n = qemu_plugin_tb_n_insns(tb);
    // Never freed: the emulator may run a block for as long as it lives.
    Block* block = new Block{static_cast<uint32_t>(n), in_ranges(state.waits, start),
                             start == state.frame_address, false, -1};
    for (uint64_t note : state.notes)
        block->note = block->note || note == start;
    for (size_t i = 0; i < state.scenes.size(); ++i)
        if (state.scenes[i].address == start) block->scene = static_cast<int>(i);
    qemu_plugin_register_vcpu_tb_exec_cb(tb, block_executed, QEMU_PLUGIN_CB_NO_REGS, block);
    for (size_t i = 0; i < n; ++i) {
        qemu_plugin_insn* insn = qemu_plugin_tb_get_insn(tb, i);
        qemu_plugin_register_vcpu_mem_cb(insn, memory_access, QEMU_PLUGIN_CB_NO_REGS,
                                         QEMU_PLUGIN_MEM_RW, insn);
    }
}

// ARM Linux call numbers, the same in both conventions.
constexpr int64_t call_mmap2 = 192;
constexpr int64_t call_munmap = 91;

// The device a file descriptor stands for, by the name of its file: the
// handheld's /dev/mem and /dev/fb0, or the simulator's stand-ins "mem" and
// "fb0" in its device folder. User-mode emulation gives the program the
// emulator's own descriptors, so /proc/self/fd names them.
int device_of(int64_t fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%" PRId64, fd);
    char path[4096];
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length <= 0) return -1;
    path[length] = '\0';
    const char* base = std::strrchr(path, '/');
    base = base == nullptr ? path : base + 1;
    if (std::strcmp(base, "mem") == 0) return device_mem;
    if (std::strcmp(base, "fb0") == 0) return device_fb;
    return -1;
}

void call_entered(qemu_plugin_id_t, unsigned int, int64_t num, uint64_t a1, uint64_t a2, uint64_t,
                  uint64_t, uint64_t a5, uint64_t, uint64_t, uint64_t) {
    if (num == call_mmap2) {
        state.mmap_fd = static_cast<int32_t>(a5);
        state.mmap_length = static_cast<uint32_t>(a2);
    } else if (num == call_munmap) {
        const uint64_t start = static_cast<uint32_t>(a1);
        for (size_t i = 0; i < state.mappings.size(); ++i) {
            if (state.mappings[i].start == start) {
                state.mappings.erase(state.mappings.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }
}

void call_returned(qemu_plugin_id_t, unsigned int, int64_t num, int64_t ret) {
    if (num != call_mmap2 || state.mmap_fd < 0) return;
    const int64_t fd = state.mmap_fd;
    state.mmap_fd = -1;
    // Results from -4095 to -1 are errors (seen as 32-bit values here).
    const uint64_t address = static_cast<uint32_t>(ret);
    if (address >= 0xFFFFF001u) return;
    const int device = device_of(fd);
    if (device < 0) return;
    state.mappings.push_back(
        Mapping{address, address + state.mmap_length, static_cast<Device>(device)});
    std::fprintf(state.out, "# mapping %s 0x%08" PRIx64 " %" PRIu64 " bytes\n",
                 device_names[device], address, state.mmap_length);
}

void exited(qemu_plugin_id_t, void*) {
    // What ran after the last frame: the program's end, or a frame the
    // display program was converting when it was stopped.
    write_row("end");
    std::fclose(state.out);
    state.out = nullptr;
}

bool parse_address(const char* text, uint64_t& value, const char** rest) {
    char* end = nullptr;
    value = std::strtoull(text, &end, 0);
    if (end == text) return false;
    *rest = end;
    return true;
}

bool parse_argument(const char* arg) {
    const char* rest = nullptr;
    uint64_t a = 0;
    uint64_t b = 0;
    if (std::strncmp(arg, "out=", 4) == 0) {
        state.out = std::fopen(arg + 4, "w");
        return state.out != nullptr;
    }
    if (std::strncmp(arg, "frame=", 6) == 0)
        return parse_address(arg + 6, state.frame_address, &rest) && *rest == '\0';
    if (std::strncmp(arg, "note=", 5) == 0) {
        if (!parse_address(arg + 5, a, &rest) || *rest != '\0') return false;
        state.notes.push_back(a);
        return true;
    }
    if (std::strncmp(arg, "wait=", 5) == 0) {
        if (!parse_address(arg + 5, a, &rest) || *rest != '-') return false;
        if (!parse_address(rest + 1, b, &rest) || *rest != '\0' || b <= a) return false;
        state.waits.push_back(Range{a, b});
        return true;
    }
    if (std::strncmp(arg, "scene=", 6) == 0) {
        if (!parse_address(arg + 6, a, &rest) || *rest != ':' || rest[1] == '\0') return false;
        state.scenes.push_back(Scene{a, rest + 1});
        return true;
    }
    return false;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int
qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t* info, int argc, char** argv) {
    if (info->system_emulation) {
        qemu_plugin_outs("main-core meter: only for user-mode emulation (qemu-arm)\n");
        return 1;
    }
    for (int i = 0; i < argc; ++i) {
        if (!parse_argument(argv[i])) {
            const std::string message =
                std::string("main-core meter: bad argument '") + argv[i] + "'\n";
            qemu_plugin_outs(message.c_str());
            return 1;
        }
    }
    if (state.out == nullptr || state.frame_address == 0) {
        qemu_plugin_outs("main-core meter: out=FILE and frame=ADDR are required\n");
        return 1;
    }
    write_header();
    qemu_plugin_register_vcpu_tb_trans_cb(id, block_translated);
    qemu_plugin_register_vcpu_syscall_cb(id, call_entered);
    qemu_plugin_register_vcpu_syscall_ret_cb(id, call_returned);
    qemu_plugin_register_atexit_cb(id, exited, nullptr);
    return 0;
}
