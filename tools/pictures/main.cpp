// picture-tool: packs, unpacks and previews the demo's packed pictures.
#include "picture_tool.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return picture_tool::run_picture_tool(args, std::cout, std::cerr);
}
