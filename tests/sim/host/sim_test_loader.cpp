// A stand-in loader for the simulator's tests: maps the simulator's memory
// file and drives the second core's control registers the way a loader does.
//
//   sim-test-loader load FILE   hold the core, copy FILE to 0x02000000, release
//   sim-test-loader hold        hold the core
//   sim-test-loader release     release the core with whatever it holds
#include "host_config.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace sim;

uint16_t* reg(uint8_t* block, uint32_t offset) {
    return reinterpret_cast<uint16_t*>(block + offset);
}

void store(uint8_t* block, uint32_t offset, uint16_t value) {
    __atomic_store_n(reg(block, offset), value, __ATOMIC_RELEASE);
}

uint16_t load(uint8_t* block, uint32_t offset) {
    return __atomic_load_n(reg(block, offset), __ATOMIC_ACQUIRE);
}

void hold(uint8_t* block) {
    store(block, config::reg_core_control,
          static_cast<uint16_t>((load(block, config::reg_core_control) & 0xFF00) | 0x0082));
    store(block, config::reg_core_enable,
          static_cast<uint16_t>(load(block, config::reg_core_enable) & 0xFFFE));
}

void release(uint8_t* block) {
    store(block, 0x3B40, 0);
    store(block, 0x3B42, 0);
    store(block, config::reg_core_enable,
          static_cast<uint16_t>(load(block, config::reg_core_enable) | 0x0001));
    store(block, config::reg_core_control,
          static_cast<uint16_t>(load(block, config::reg_core_control) & 0xFF7F));
}

int fail(const char* what) {
    std::perror(what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const char* dir = std::getenv("LUMENFALL_SIM_DIR");
    if (dir == nullptr || argc < 2) {
        std::fprintf(stderr,
                     "usage (inside handheld-sim): sim-test-loader load FILE | hold | release\n");
        return 2;
    }
    const std::string mode = argv[1];
    std::vector<uint8_t> program;
    if (mode == "load") {
        if (argc != 3) return 2;
        std::FILE* file = std::fopen(argv[2], "rb");
        if (file == nullptr) return fail("open program");
        int c;
        while ((c = std::fgetc(file)) != EOF)
            program.push_back(static_cast<uint8_t>(c));
        std::fclose(file);
    } else if (mode != "hold" && mode != "release") {
        return 2;
    }

    const int fd = ::open((std::string(dir) + "/mem").c_str(), O_RDWR);
    if (fd < 0) return fail("open mem");
    void* core = ::mmap(nullptr, config::core_memory_bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd,
                        static_cast<off_t>(config::core_memory_phys));
    void* regs = ::mmap(nullptr, config::register_block_bytes, PROT_READ | PROT_WRITE, MAP_SHARED,
                        fd, static_cast<off_t>(config::register_block_phys));
    if (core == MAP_FAILED || regs == MAP_FAILED) return fail("mmap mem");
    auto* block = static_cast<uint8_t*>(regs);

    if (mode == "release") {
        release(block);
        return 0;
    }
    hold(block);
    if (mode == "hold") return 0;
    std::memcpy(core, program.data(), program.size());
    release(block);
    return 0;
}
