// The loading screen: the frame-sized pictures of the start-up, the loading
// bar and the first batch of effect initialisations it accompanies.
#pragma once

#include <cstdint>
#include <vector>

#include "kernel/timeline.h"

// Left edges of the eleven loading-bar blocks (48 x 40 pixels at row 250).
inline constexpr int kLoadingBarX[11] = {0, 48, 96, 134, 182, 230, 278, 326, 368, 412, 464};
constexpr int kLoadingBarTop = 250;
constexpr int kLoadingBarBlockWidth = 48;
constexpr int kLoadingBarBlockHeight = 40;

// Loads a JPEG or PNG that must be exactly 512 x 384; anything else ends the
// program with a message naming the file and the size.
std::vector<uint32_t> LoadFramePicture(const char* name);

// Copies block `step` of the loading-bar picture into the frame, presents
// the frame and sleeps one second.
void LoadingBarStep(int step, uint32_t* frame, const uint32_t* loadingBar);

// Initialises the first batch of effects, stepping the loading bar between
// them, then presents once per entry of the load list.
void InitEffectsWithLoadingBar(uint32_t* frame, const uint32_t* loadingBar, const cTimeline& timeline);
