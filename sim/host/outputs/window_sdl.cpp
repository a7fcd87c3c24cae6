// The window over SDL2: a streaming texture the size of the screen, scaled
// up by the renderer with nearest-neighbour sampling to a whole multiple, so
// pixels stay sharp in a window and in full screen alike. The keys that
// steer the run are handed to the main loop; full screen and scale are
// handled here.
#include "window.h"

#include "host_error.h"
#include "sdl_library.h"

namespace sim::out {
namespace {

constexpr int max_key_scale = 4;

class SdlWindow : public Window {
  public:
    explicit SdlWindow(int scale) : sdl_(sdl_library()), scale_(scale) {
        // The simulator handles SIGINT and SIGTERM itself (it forwards them
        // to the command); SDL must not take them over.
        sdl_.SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (sdl_.SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            throw HostError(std::string("cannot open a window: ") + sdl_.SDL_GetError());
        sdl_.SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        window_ =
            sdl_.SDL_CreateWindow("handheld-sim", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                  config::fb_width * scale, config::fb_height * scale, 0);
        if (window_ != nullptr) renderer_ = sdl_.SDL_CreateRenderer(window_, -1, 0);
        if (renderer_ != nullptr) {
            // A full screen of another shape shows the picture centred at the
            // largest whole scale that fits, with black around it.
            sdl_.SDL_RenderSetLogicalSize(renderer_, config::fb_width, config::fb_height);
            sdl_.SDL_RenderSetIntegerScale(renderer_, SDL_TRUE);
            texture_ = sdl_.SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB24,
                                              SDL_TEXTUREACCESS_STREAMING, config::fb_width,
                                              config::fb_height);
        }
        if (texture_ == nullptr) {
            const std::string error = sdl_.SDL_GetError();
            release();
            throw HostError("cannot open a window: " + error);
        }
    }

    ~SdlWindow() override { release(); }

    WindowInput pump() override {
        WindowInput input;
        SDL_Event event;
        while (sdl_.SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) input.closed = true;
            if (event.type == SDL_WINDOWEVENT) window_event(event.window.event, input);
            if (event.type == SDL_KEYDOWN) key_down(event.key, input);
            if (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_TAB) fast_held_ = false;
        }
        input.fast_held = fast_held_;
        return input;
    }

  protected:
    void draw(const uint8_t* rgb) override {
        sdl_.SDL_UpdateTexture(texture_, nullptr, rgb, config::fb_width * 3);
        present();
    }

    void set_title(const std::string& title) override {
        sdl_.SDL_SetWindowTitle(window_, title.c_str());
    }

  private:
    void present() {
        sdl_.SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        sdl_.SDL_RenderClear(renderer_);
        sdl_.SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        sdl_.SDL_RenderPresent(renderer_);
    }

    void window_event(Uint8 what, WindowInput& input) {
        if (what == SDL_WINDOWEVENT_CLOSE) input.closed = true;
        // A key released while another window had the focus never reports
        // its release here; fast mode must not stay stuck on.
        if (what == SDL_WINDOWEVENT_FOCUS_LOST) fast_held_ = false;
        // The texture keeps the last picture: redraw it when the window was
        // uncovered or changed size, also while the run is paused.
        if (what == SDL_WINDOWEVENT_EXPOSED || what == SDL_WINDOWEVENT_SIZE_CHANGED) present();
    }

    void key_down(const SDL_KeyboardEvent& key, WindowInput& input) {
        const SDL_Keycode sym = key.keysym.sym;
        // Held keys repeat; only stepping and scaling are meant to.
        if (sym == SDLK_PERIOD || sym == SDLK_KP_PERIOD) ++input.steps;
        if (key.repeat != 0) return;
        switch (sym) {
        case SDLK_SPACE:
            input.toggle_pause = !input.toggle_pause;
            break;
        case SDLK_TAB:
            fast_held_ = true;
            break;
        case SDLK_F12:
            ++input.screenshots;
            break;
        case SDLK_F11:
            toggle_full_screen();
            break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            if ((key.keysym.mod & KMOD_ALT) != 0) toggle_full_screen();
            break;
        case SDLK_ESCAPE:
        case SDLK_q:
            input.closed = true;
            break;
        default:
            if (sym >= SDLK_1 && sym < SDLK_1 + max_key_scale) set_scale(sym - SDLK_1 + 1);
            if (sym >= SDLK_KP_1 && sym < SDLK_KP_1 + max_key_scale) set_scale(sym - SDLK_KP_1 + 1);
            break;
        }
    }

    void toggle_full_screen() {
        full_screen_ = !full_screen_;
        sdl_.SDL_SetWindowFullscreen(window_, full_screen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        // Leaving full screen goes back to the last chosen scale.
        if (!full_screen_) set_scale(scale_);
        present();
    }

    // In full screen the new scale is remembered for when it is left.
    void set_scale(int scale) {
        scale_ = scale;
        if (full_screen_) return;
        sdl_.SDL_SetWindowSize(window_, config::fb_width * scale, config::fb_height * scale);
        present();
    }

    void release() {
        if (texture_ != nullptr) sdl_.SDL_DestroyTexture(texture_);
        if (renderer_ != nullptr) sdl_.SDL_DestroyRenderer(renderer_);
        if (window_ != nullptr) sdl_.SDL_DestroyWindow(window_);
        texture_ = nullptr;
        renderer_ = nullptr;
        window_ = nullptr;
        sdl_.SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    const SdlLibrary& sdl_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int scale_;
    bool full_screen_ = false;
    bool fast_held_ = false;
};

} // namespace

bool Window::supported() {
    return true;
}

std::unique_ptr<Window> Window::open(int scale) {
    return std::make_unique<SdlWindow>(scale);
}

} // namespace sim::out
