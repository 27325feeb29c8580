// Key queries for the kernel and the effects, by virtual-key code.
#pragma once

bool KeyDown(int virtualKey);
bool KeyUp(int virtualKey);
// If the key is held, waits (keeping the window alive) until it is released
// and returns true; otherwise returns false at once.
bool WaitKeyRelease(int virtualKey);
