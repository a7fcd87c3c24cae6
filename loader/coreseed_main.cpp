#include "coreseed.h"

int main(int argc, char* argv[]) {
    return coreseed::run(argc, argv, coreseed::map_register_bus);
}
