// The window over SDL2: a streaming texture the size of the screen, scaled
// up by the renderer with nearest-neighbour sampling so pixels stay sharp.
#include "window.h"

#include "host_error.h"

#include <SDL.h>

namespace sim::out {
namespace {

class SdlWindow : public Window {
  public:
    explicit SdlWindow(int scale) {
        // The simulator handles SIGINT and SIGTERM itself (it forwards them
        // to the command); SDL must not take them over.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            throw HostError(std::string("cannot open a window: ") + SDL_GetError());
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        window_ = SDL_CreateWindow("handheld-sim", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                   config::fb_width * scale, config::fb_height * scale, 0);
        if (window_ != nullptr) renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (renderer_ != nullptr)
            texture_ =
                SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB24, SDL_TEXTUREACCESS_STREAMING,
                                  config::fb_width, config::fb_height);
        if (texture_ == nullptr) {
            const std::string error = SDL_GetError();
            release();
            throw HostError("cannot open a window: " + error);
        }
    }

    ~SdlWindow() override { release(); }

    void show(const uint8_t* rgb) override {
        SDL_UpdateTexture(texture_, nullptr, rgb, config::fb_width * 3);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
    }

    bool pump() override {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) closed_ = true;
            if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)
                closed_ = true;
        }
        return !closed_;
    }

  private:
    void release() {
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
        if (window_ != nullptr) SDL_DestroyWindow(window_);
        texture_ = nullptr;
        renderer_ = nullptr;
        window_ = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    bool closed_ = false;
};

} // namespace

bool Window::supported() {
    return true;
}

std::unique_ptr<Window> Window::open(int scale) {
    return std::make_unique<SdlWindow>(scale);
}

} // namespace sim::out
