// The show's window record and what the window does with its messages:
// closing it or pressing Escape ends the show, F11 toggles the frame-rate
// display, F12 switches between the window and fullscreen. The platform layer
// turns its own events into these messages.
#pragma once

#include <cstdint>
#include <string>

struct sRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct sDemoSysVars {
    std::string className;
    std::string title;
    bool showFps = false;          // F11; the window title then shows the frame rate
    int32_t clientWidth = 0;       // client area as last reported, in pixels
    int32_t clientHeight = 0;
    sRect savedWindow;             // window place and size before going fullscreen
    sRect fullscreenDestination;   // where the frame lands on the fullscreen display
};

extern sDemoSysVars g_demoSys;

// Windows virtual-key codes, the key numbering the effects and the kernel use.
namespace vk {
constexpr int kEscape = 0x1B;
constexpr int kSpace = 0x20;
constexpr int kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;
constexpr int k0 = 0x30;  // '0'..'9' are 0x30..0x39
constexpr int kA = 0x41;  // 'A'..'Z' are 0x41..0x5A
constexpr int kF1 = 0x70;  // F1..F12 are 0x70..0x7B
constexpr int kF11 = 0x7A;
constexpr int kF12 = 0x7B;
constexpr int kReturn = 0x0D;
}  // namespace vk

enum class WindowMessage { Close, Quit, KeyDown, Resize };

// The window procedure: `key` is a virtual-key code for KeyDown (first press
// only, not auto-repeat); width and height are the new client size for Resize.
void HandleWindowMessage(WindowMessage message, int key = 0, int width = 0, int height = 0);
