#include "sdl_library.h"

#include "host_error.h"

#include <dlfcn.h>
#include <string>
#include <type_traits>

namespace sim::out {
namespace {

// SDL2's run-time name on every Linux distribution.
constexpr const char* sdl_file = "libSDL2-2.0.so.0";

SdlLibrary load() {
    void* handle = ::dlopen(sdl_file, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        throw HostError(std::string("cannot open a window: ") + (why != nullptr ? why : sdl_file));
    }
    SdlLibrary library;
    auto find = [&](auto& pointer, const char* name) {
        pointer =
            reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(::dlsym(handle, name));
        if (pointer == nullptr)
            throw HostError(std::string("cannot open a window: ") + sdl_file + " has no " + name);
    };
#define LUMENFALL_SDL_FIND(name) find(library.name, #name);
    LUMENFALL_SDL_FUNCTIONS(LUMENFALL_SDL_FIND)
#undef LUMENFALL_SDL_FIND
    // Never closed: SDL's own threads and atexit handlers may outlive any
    // window.
    return library;
}

} // namespace

const SdlLibrary& sdl_library() {
    static const SdlLibrary library = load();
    return library;
}

} // namespace sim::out
