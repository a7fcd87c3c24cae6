// The simulator's messages on stderr, and the progress line that shares the
// terminal with them. Every message clears the progress line first, so the
// two never mix on one line.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

// Prints "handheld-sim: <text>" on its own line.
void print_message(const std::string& text);

// A '\r'-updated line with the frames displayed and the display rate, drawn
// only when stderr is a terminal and at most four times a second.
class ProgressLine {
  public:
    explicit ProgressLine(bool enabled);
    void update(uint64_t frames, int64_t now_ns);
    // Erases the line, if one is drawn.
    void clear();

  private:
    bool enabled_;
    int64_t last_ns_ = 0;
    uint64_t last_frames_ = 0;
};

} // namespace sim
