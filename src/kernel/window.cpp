// The window procedure, free of any window system.
#include "kernel/window.h"

#include "kernel/mainloop.h"
#include "video/video.h"

sDemoSysVars g_demoSys;

void HandleWindowMessage(WindowMessage message, int key, int width, int height) {
    switch (message) {
    case WindowMessage::Close:
    case WindowMessage::Quit:
        SetQuitFlag();
        break;
    case WindowMessage::Resize:
        g_demoSys.clientWidth = width;
        g_demoSys.clientHeight = height;
        break;
    case WindowMessage::KeyDown:
        if (key == vk::kEscape) SetQuitFlag();
        else if (key == vk::kF11) g_demoSys.showFps = !g_demoSys.showFps;
        else if (key == vk::kF12) ToggleFullscreen();
        break;
    }
}
