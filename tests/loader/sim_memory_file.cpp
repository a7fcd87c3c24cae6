#include "sim_memory_file.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace loader_test {
namespace {

constexpr off_t memory_file_size = 0xC0010000;
constexpr off_t register_block = 0xC0000000;

void must(bool ok, const char* what) {
    if (!ok) {
        std::perror(what);
        throw std::runtime_error(what);
    }
}

} // namespace

SimMemoryFile::SimMemoryFile() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/coreseed-test-XXXXXX";
    must(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    folder_ = pattern;
    mem_path_ = folder_ + "/mem";

    const int fd = open(mem_path_.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    must(fd >= 0, "create mem");
    const bool sized = ftruncate(fd, memory_file_size) == 0;
    close(fd);
    must(sized, "size mem");
    write_register(0x3B48, 0x0082);
    write_register(0x0904, 0x0000);
}

SimMemoryFile::~SimMemoryFile() {
    unlink(mem_path_.c_str());
    for (const std::string& file : files_)
        unlink(file.c_str());
    rmdir(folder_.c_str());
}

uint16_t SimMemoryFile::read_register(uint32_t offset) const {
    const std::vector<uint8_t> bytes = read_physical(0xC0000000u + offset, 2);
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

void SimMemoryFile::write_register(uint32_t offset, uint16_t value) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    const int fd = open(mem_path_.c_str(), O_WRONLY);
    must(fd >= 0, "open mem");
    const bool written = pwrite(fd, bytes, 2, register_block + offset) == 2;
    close(fd);
    must(written, "write register");
}

std::vector<uint8_t> SimMemoryFile::read_physical(uint32_t address, size_t count) const {
    std::vector<uint8_t> bytes(count);
    const int fd = open(mem_path_.c_str(), O_RDONLY);
    must(fd >= 0, "open mem");
    const bool read_all = pread(fd, bytes.data(), count, address) == static_cast<ssize_t>(count);
    close(fd);
    must(read_all, "read mem");
    return bytes;
}

std::string SimMemoryFile::write_file(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = folder_ + "/" + name;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    must(fd >= 0, "create file");
    const bool written =
        write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(fd);
    must(written, "write file");
    files_.push_back(path);
    return path;
}

void SimMemoryFile::remove_memory() {
    must(unlink(mem_path_.c_str()) == 0, "remove mem");
}

std::vector<uint8_t> sample_program(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = 0x12345678;
    for (uint8_t& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24 | 1);
    }
    return bytes;
}

} // namespace loader_test
