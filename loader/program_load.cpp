#include "program_load.h"

#include "handheld_memory.h"
#include "image_placement.h"
#include "image_protection.h"
#include "second_core_control.h"

#include <device_paths.h>

#include <charconv>
#include <cstdio>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <unistd.h>

namespace coreseed {
namespace {

// Nothing is unmapped or closed: the process ends right after a load, and
// the exit releases the mappings and descriptors.
int fail(const char* prefix) {
    std::perror(prefix);
    return 1;
}

// Reads the whole file into `destination`, one line per piece the system
// hands over. Returns the last read's result: 0 at the end of the file, -1
// on an error (with errno set).
ssize_t copy_file(int fd, char* destination, size_t remaining) {
    for (;;) {
        const ssize_t count = read(fd, destination, remaining);
        if (count <= 0) {
            return count;
        }
        std::printf("  writing %d bytes...\n", static_cast<int>(count));
        destination += count;
        remaining -= static_cast<size_t>(count);
    }
}

} // namespace

int load_program(const char* file, uint32_t offset, const RegisterBusFactory& make_bus) {
    const int program = open(file, O_RDONLY);
    if (program < 0) {
        return fail("open program");
    }
    const off_t size = lseek(program, 0, SEEK_END);
    if (size < 0 || lseek(program, 0, SEEK_SET) < 0) {
        return fail("lseek");
    }
    // Checked before the memory device is even opened, so a bad placement
    // leaves the second core and its memory alone.
    if (!image_fits(offset, static_cast<uint64_t>(size))) {
        // The size is formatted here: the handheld's small printf has no
        // 64-bit conversions.
        char size_text[24] = {};
        std::to_chars(size_text, size_text + sizeof size_text - 1, static_cast<long long>(size));
        std::fprintf(
            stderr,
            "coreseed: %s bytes at 0x%08lx would reach outside the second core's "
            "memory (0x%08lx to 0x%08lx)\n",
            size_text, static_cast<unsigned long>(image_address(offset)),
            static_cast<unsigned long>(second_core_memory_base),
            static_cast<unsigned long>(second_core_memory_base + second_core_memory_size - 1));
        return 1;
    }

    const int mem = open(platform::mem_device_path(), O_RDWR);
    if (mem < 0) {
        return fail("open /dev/mem");
    }
    const size_t image_size = static_cast<size_t>(size);
    void* image = mmap(nullptr, image_size, image_mapping_protection(), MAP_SHARED, mem,
                       static_cast<off_t>(image_address(offset)));
    void* registers = mmap(nullptr, register_block_size, PROT_READ | PROT_WRITE, MAP_SHARED, mem,
                           static_cast<off_t>(register_block_base));
    if (image == MAP_FAILED || registers == MAP_FAILED) {
        return fail("mmap /dev/mem");
    }

    const auto bus = make_bus(registers);
    hold_second_core(*bus);
    if (copy_file(program, static_cast<char*>(image), image_size) < 0) {
        // The core stays held: running half a program would be worse.
        return fail("read");
    }
    release_second_core(*bus);
    std::puts("Ok");
    return 0;
}

} // namespace coreseed
