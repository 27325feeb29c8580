// What the presentation needs from a window system. One implementation uses
// SDL2; the null one (headless runs and tests) shows nothing.
#pragma once

#include <cstdint>

class cVideoBackend {
public:
    virtual ~cVideoBackend() = default;
    // Delivers the window events waiting now to HandleWindowMessage.
    virtual void PumpMessages() = 0;
    // Shows a width x height frame of 0x00RRGGBB pixels.
    virtual void Show(const uint32_t* frame, int width, int height) = 0;
    // Switches to or from fullscreen; returns false when the switch failed
    // (the window then stays as it was).
    virtual bool SetFullscreen(bool fullscreen) = 0;
    // True while the key with this virtual-key code is held.
    virtual bool KeyHeld(int virtualKey) = 0;
    virtual void SetTitle(const char* title) = 0;
    // Waits a little for input without spinning (used while a key is held).
    virtual void Idle() = 0;
};

class cNullVideoBackend : public cVideoBackend {
public:
    void PumpMessages() override {}
    void Show(const uint32_t*, int, int) override {}
    bool SetFullscreen(bool) override { return false; }
    bool KeyHeld(int) override { return false; }
    void SetTitle(const char*) override {}
    void Idle() override {}
};
