// Frame presentation: the frame and work buffers, PresentFrame (messages,
// screenshot key, the black border, showing the frame), the switch between
// window and fullscreen, and the pixel conversions for 24- and 16-bit
// display formats.
#pragma once

#include <cstdint>

#include "kernel/options.h"
#include "video/backend.h"

// The backend the presentation draws through; nullptr restores the null one.
// The caller keeps ownership.
void SetVideoBackend(cVideoBackend* backend);
cVideoBackend& VideoBackend();

// Logs the video start-up and switches to fullscreen at once if asked.
void InitVideo(bool fullscreen, int width, int height);
// Allocates the frame and work buffers (width x height each, cleared).
void SetResolution(int width, int height, bool allocate);
uint32_t* FrameBuffer();
uint32_t* WorkBuffer();

// Pumps the window's messages, writes a screenshot while key 1 is held
// (after it is released), clears the frame's outermost rows and columns to
// black, shows the frame and tells the clock a frame was presented.
void PresentFrame(uint32_t* frame);
void ToggleFullscreen();
bool Windowed();

// Sets the one-pixel black border of a 512 x 384 frame.
void ClearBorder(uint32_t* frame);

// Display format conversions of 0x00RRGGBB pixels.
//   24-bit: bytes blue, green, red per pixel.
//   5-5-5: ((p & 0xF80000) >> 9) | ((p & 0xF800) >> 6) | ((p & 0xF8) >> 3)
//   5-6-5: ((p & 0xF80000) >> 8) | ((p & 0xFC00) >> 5) | ((p & 0xF8) >> 3)
void ConvertTo24(const uint32_t* source, uint8_t* destination, int count);
void ConvertTo555(const uint32_t* source, uint16_t* destination, int count);
void ConvertTo565(const uint32_t* source, uint16_t* destination, int count);

struct sScreenRect {
    int x, y, w, h;
};
// Where a frame of frameW x frameH lands in an output of outW x outH pixels:
// stretch fills it, fit keeps the 4:3 shape centred with black bars, integer
// takes the largest whole factor that fits (at least 1), centred.
sScreenRect ScaleFrame(ScaleMode mode, int outW, int outH, int frameW, int frameH);
