// A private stand-in for the simulator's memory device: a folder with a
// sparse `mem` file in which a file offset is a physical address, its
// registers preset the way the simulator starts them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace loader_test {

class SimMemoryFile {
  public:
    SimMemoryFile();
    ~SimMemoryFile();
    SimMemoryFile(const SimMemoryFile&) = delete;
    SimMemoryFile& operator=(const SimMemoryFile&) = delete;

    // The folder to hand to the loader as LUMENFALL_SIM_DIR.
    const std::string& folder() const { return folder_; }

    // Registers are named by their offset in the block at 0xC0000000 and
    // stored little-endian, as the handheld's memory holds them.
    uint16_t read_register(uint32_t offset) const;
    void write_register(uint32_t offset, uint16_t value);

    std::vector<uint8_t> read_physical(uint32_t address, size_t count) const;

    // Creates a file in the folder and returns its path.
    std::string write_file(const std::string& name, const std::vector<uint8_t>& bytes);

    // Removes the memory file, so that opening the device fails.
    void remove_memory();

  private:
    std::string folder_;
    std::string mem_path_;
    std::vector<std::string> files_;
};

// Bytes that differ from each other and from an all-zero memory.
std::vector<uint8_t> sample_program(size_t size);

} // namespace loader_test
