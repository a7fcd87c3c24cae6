#include "demo_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace demo_test {

void DemoTest::SetUp() {
    static const bool table_ready = (Fix_trig_init(), true);
    (void)table_ready;
    demo_reset_state();
}

void DemoTest::TearDown() {
    demo_reset_state();
}

std::vector<Command> GpuHarness::drain() {
    EXPECT_TRUE(renderer_.wait_until_idle(std::chrono::seconds(20)));
    return renderer_.commands();
}

SimDir::SimDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "lumenfall-demo-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    const char* previous = std::getenv("LUMENFALL_SIM_DIR");
    had_previous_ = previous != nullptr;
    if (had_previous_) previous_ = previous;
    setenv("LUMENFALL_SIM_DIR", path_.c_str(), 1);
}

SimDir::~SimDir() {
    if (had_previous_) {
        setenv("LUMENFALL_SIM_DIR", previous_.c_str(), 1);
    } else {
        unsetenv("LUMENFALL_SIM_DIR");
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void SimDir::write_screen(const std::vector<uint16_t>& pixels) const {
    std::ofstream out(file("fb0"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(pixels.data()),
              static_cast<std::streamsize>(pixels.size() * sizeof(uint16_t)));
}

} // namespace demo_test
