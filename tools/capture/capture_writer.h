// Writes capture records to a file through a large buffer, so recording costs
// one system call per few hundred commands rather than one per command.
#pragma once

#include "capture_format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim::capture {

class CaptureWriter {
  public:
    CaptureWriter() = default;
    ~CaptureWriter();
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    // Creates or truncates the file. False (with error() set) when it cannot.
    bool open(const std::string& path);

    void write_command(const uint32_t* words, size_t count);
    void write_texture_hash(uint64_t hash);

    // Writes out what is buffered and closes the file; false on any error
    // seen since open, including one on an earlier write.
    bool close();

    // False once a write has failed; later records are dropped.
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

  private:
    void put(uint32_t word);
    void flush();
    void fail(const char* what, int err);

    int fd_ = -1;
    std::string path_;
    std::vector<uint32_t> buffer_;
    size_t used_ = 0;
    std::string error_;
};

} // namespace sim::capture
