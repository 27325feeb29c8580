#include "kernel/keys.h"

#include "kernel/mainloop.h"
#include "video/video.h"

bool KeyDown(int virtualKey) { return VideoBackend().KeyHeld(virtualKey); }
bool KeyUp(int virtualKey) { return !KeyDown(virtualKey); }

bool WaitKeyRelease(int virtualKey) {
    cVideoBackend& backend = VideoBackend();
    if (!backend.KeyHeld(virtualKey)) return false;
    // The show pauses meanwhile; closing the window still ends the wait.
    while (backend.KeyHeld(virtualKey) && !QuitFlag()) {
        backend.Idle();
        backend.PumpMessages();
    }
    return true;
}
