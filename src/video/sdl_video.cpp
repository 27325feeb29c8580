// SDL2 implementation of the window, its presentation and its keys.
#include "video/sdl_video.h"

#include <SDL.h>

#include <cstdio>
#include <vector>

#include "kernel/services.h"
#include "kernel/window.h"
#include "video/video.h"

namespace {

struct sKeyMap {
    int virtualKey;
    SDL_Scancode scancode;
};

// The keys the show and its effects use, by virtual-key code.
std::vector<sKeyMap> BuildKeyMap() {
    std::vector<sKeyMap> map = {
        {vk::kEscape, SDL_SCANCODE_ESCAPE}, {vk::kReturn, SDL_SCANCODE_RETURN},
        {vk::kSpace, SDL_SCANCODE_SPACE},   {vk::kLeft, SDL_SCANCODE_LEFT},
        {vk::kUp, SDL_SCANCODE_UP},         {vk::kRight, SDL_SCANCODE_RIGHT},
        {vk::kDown, SDL_SCANCODE_DOWN},     {vk::k0, SDL_SCANCODE_0},
    };
    for (int i = 1; i <= 9; ++i)
        map.push_back({vk::k0 + i, static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i - 1)});
    for (int i = 0; i < 26; ++i) map.push_back({vk::kA + i, static_cast<SDL_Scancode>(SDL_SCANCODE_A + i)});
    for (int i = 0; i < 12; ++i) map.push_back({vk::kF1 + i, static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i)});
    return map;
}

const std::vector<sKeyMap>& KeyMap() {
    static const std::vector<sKeyMap> map = BuildKeyMap();
    return map;
}

int VirtualKeyOf(SDL_Scancode scancode) {
    for (const sKeyMap& k : KeyMap())
        if (k.scancode == scancode) return k.virtualKey;
    return 0;
}

class cSdlVideo : public cVideoBackend {
public:
    explicit cSdlVideo(const sSdlVideoConfig& config) : config_(config) {}

    ~cSdlVideo() override {
        if (texture_) SDL_DestroyTexture(texture_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    bool Open(std::string* error) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return Fail(error, "no display");
        window_ = SDL_CreateWindow(config_.title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                   config_.width, config_.height,
                                   SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
        if (!window_) return Fail(error, "cannot create the window");
        Uint32 flags = config_.vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
        renderer_ = SDL_CreateRenderer(window_, -1, flags);
        if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, flags | SDL_RENDERER_SOFTWARE);
        if (!renderer_) return Fail(error, "cannot create a renderer");
        ChooseTextureFormat();
        texture_ = SDL_CreateTexture(renderer_, format_, SDL_TEXTUREACCESS_STREAMING, 512, 384);
        if (!texture_) return Fail(error, "cannot create the frame texture");
        int w = 0, h = 0;
        SDL_GetRendererOutputSize(renderer_, &w, &h);
        HandleWindowMessage(WindowMessage::Resize, 0, w, h);
        return true;
    }

    void PumpMessages() override {
        SDL_Event e;
        // Every waiting event is handled: the window system queues mouse
        // motion as events too, so one per frame would let Escape lag.
        while (SDL_PollEvent(&e)) {
            switch (e.type) {
            case SDL_QUIT:
                HandleWindowMessage(WindowMessage::Quit);
                break;
            case SDL_WINDOWEVENT:
                if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                    HandleWindowMessage(WindowMessage::Close);
                } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                    int w = 0, h = 0;
                    SDL_GetRendererOutputSize(renderer_, &w, &h);
                    HandleWindowMessage(WindowMessage::Resize, 0, w, h);
                }
                break;
            case SDL_KEYDOWN:
                // A held key repeats; only the first press is a key-down.
                if (!e.key.repeat)
                    if (int key = VirtualKeyOf(e.key.keysym.scancode))
                        HandleWindowMessage(WindowMessage::KeyDown, key);
                break;
            default:
                break;
            }
        }
    }

    void Show(const uint32_t* frame, int width, int height) override {
        UploadFrame(frame, width, height);
        int outW = 0, outH = 0;
        SDL_GetRendererOutputSize(renderer_, &outW, &outH);
        ScaleMode mode = fullscreen_ ? config_.fullscreenScale : config_.windowScale;
        sScreenRect r = ScaleFrame(mode, outW, outH, width, height);
        SDL_Rect dest{r.x, r.y, r.w, r.h};
        SDL_SetTextureScaleMode(texture_, mode == ScaleMode::Integer ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, &dest);
        SDL_RenderPresent(renderer_);
        g_demoSys.fullscreenDestination = {r.x, r.y, r.x + r.w, r.y + r.h};
    }

    bool SetFullscreen(bool fullscreen) override {
        if (fullscreen == fullscreen_) return true;
        if (fullscreen) {
            int x = 0, y = 0, w = 0, h = 0;
            SDL_GetWindowPosition(window_, &x, &y);
            SDL_GetWindowSize(window_, &w, &h);
            g_demoSys.savedWindow = {x, y, x + w, y + h};
            if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
            SDL_ShowCursor(SDL_DISABLE);
        } else {
            SDL_SetWindowFullscreen(window_, 0);
            const sRect& r = g_demoSys.savedWindow;
            SDL_SetWindowSize(window_, r.right - r.left, r.bottom - r.top);
            SDL_SetWindowPosition(window_, r.left, r.top);
            SDL_ShowCursor(SDL_ENABLE);
        }
        fullscreen_ = fullscreen;
        return true;
    }

    bool KeyHeld(int virtualKey) override {
        int count = 0;
        const Uint8* state = SDL_GetKeyboardState(&count);
        for (const sKeyMap& k : KeyMap())
            if (k.virtualKey == virtualKey) return k.scancode < count && state[k.scancode];
        return false;
    }

    void SetTitle(const char* title) override { SDL_SetWindowTitle(window_, title); }
    void Idle() override { SDL_Delay(5); }

private:
    bool Fail(std::string* error, const char* what) {
        *error = std::string(what) + ": " + SDL_GetError();
        return false;
    }

    // Takes the renderer's own 32-bit format when it has one; otherwise a
    // 16- or 24-bit one, filled through the display conversions.
    void ChooseTextureFormat() {
        SDL_RendererInfo info{};
        SDL_GetRendererInfo(renderer_, &info);
        const Uint32 preferred[] = {SDL_PIXELFORMAT_ARGB8888, SDL_PIXELFORMAT_RGB888, SDL_PIXELFORMAT_RGB565,
                                    SDL_PIXELFORMAT_RGB555, SDL_PIXELFORMAT_BGR24};
        for (Uint32 f : preferred)
            for (Uint32 i = 0; i < info.num_texture_formats; ++i)
                if (info.texture_formats[i] == f) {
                    format_ = f;
                    return;
                }
        format_ = SDL_PIXELFORMAT_ARGB8888;  // SDL converts if it must
    }

    void UploadFrame(const uint32_t* frame, int width, int height) {
        int count = width * height;
        switch (format_) {
        case SDL_PIXELFORMAT_RGB565:
            converted_.resize(static_cast<size_t>(count) * 2);
            ConvertTo565(frame, reinterpret_cast<uint16_t*>(converted_.data()), count);
            SDL_UpdateTexture(texture_, nullptr, converted_.data(), width * 2);
            break;
        case SDL_PIXELFORMAT_RGB555:
            converted_.resize(static_cast<size_t>(count) * 2);
            ConvertTo555(frame, reinterpret_cast<uint16_t*>(converted_.data()), count);
            SDL_UpdateTexture(texture_, nullptr, converted_.data(), width * 2);
            break;
        case SDL_PIXELFORMAT_BGR24:
            converted_.resize(static_cast<size_t>(count) * 3);
            ConvertTo24(frame, converted_.data(), count);
            SDL_UpdateTexture(texture_, nullptr, converted_.data(), width * 3);
            break;
        default:
            // 0x00RRGGBB words are ARGB8888/RGB888 as they are; blending is
            // off, so the zero top byte does no harm.
            SDL_UpdateTexture(texture_, nullptr, frame, width * 4);
            break;
        }
    }

    sSdlVideoConfig config_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    Uint32 format_ = SDL_PIXELFORMAT_ARGB8888;
    std::vector<uint8_t> converted_;
    bool fullscreen_ = false;
};

void MessageBoxReporter(const char* message) {
    std::fprintf(stderr, "Fatal error: %s\n", message);
    std::fflush(stderr);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Fatal error", message, nullptr);
}

}  // namespace

std::unique_ptr<cVideoBackend> CreateSdlVideo(const sSdlVideoConfig& config, std::string* error) {
    auto video = std::make_unique<cSdlVideo>(config);
    if (!video->Open(error)) return nullptr;
    return video;
}

bool AskYesNo(const char* caption, const char* text, bool* yes) {
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    SDL_MessageBoxData box{SDL_MESSAGEBOX_INFORMATION, nullptr, caption, text, 2, buttons, nullptr};
    int answer = -1;
    if (SDL_ShowMessageBox(&box, &answer) != 0) return false;
    // Only "No" chooses the window; closing the box counts as any other answer.
    *yes = answer != 0;
    return true;
}

void InstallMessageBoxReporter() { SetFatalReporter(MessageBoxReporter); }
