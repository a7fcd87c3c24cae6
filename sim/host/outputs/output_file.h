// A file or pipe the simulator writes an output to, with every failure (no
// permission, disk full, reader gone) turned into a HostError that names the
// output.
#pragma once

#include <cstddef>
#include <string>

namespace sim::out {

class OutputFile {
  public:
    // Creates or truncates the file; what names the output in messages
    // ("video file", "contact sheet").
    OutputFile(const std::string& path, const std::string& what);
    // Adopts an open descriptor, such as the write end of a pipe.
    OutputFile(int fd, const std::string& what);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(const void* bytes, size_t count);
    // Closes the file, reporting a failure of the last writes.
    void close();

  private:
    int fd_ = -1;
    std::string what_;
};

} // namespace sim::out
