#include "file_io.h"

#include "cpp_array.h"

#include <array>
#include <fstream>
#include <sstream>

namespace picture_tool {

namespace {

bool is_source_file(const std::string& path) {
    static const std::array<std::string, 5> endings = {".cpp", ".cc", ".cxx", ".h", ".hpp"};
    for (const std::string& ending : endings)
        if (path.size() > ending.size() &&
            path.compare(path.size() - ending.size(), ending.size(), ending) == 0)
            return true;
    return false;
}

} // namespace

bool read_file(const std::string& path, std::string& data, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::ostringstream contents;
    contents << in.rdbuf();
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    data = contents.str();
    return true;
}

bool write_file(const std::string& path, const std::string& data, std::string& error) {
    std::ofstream out(path, std::ios::binary);
    if (!out) {
        error = "cannot open " + path + " for writing";
        return false;
    }
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out.flush()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool load_packed(const std::string& path, const std::string& array_name,
                 std::vector<uint8_t>& packed, std::string& error) {
    std::string data;
    if (!read_file(path, data, error)) return false;
    if (is_source_file(path)) {
        if (!parse_cpp_array(data, array_name, packed, error)) {
            error = path + ": " + error;
            return false;
        }
        return true;
    }
    packed.assign(data.begin(), data.end());
    return true;
}

std::string base_name(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

} // namespace picture_tool
