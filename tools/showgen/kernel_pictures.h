// The pictures the program itself shows: the loading screen, the same screen
// with its bar lit (copied over it block by block while the show loads), and
// the still picture shown between the two halves of the show.
#pragma once

#include "canvas.h"

constexpr int kFrameW = 512, kFrameH = 384;

sCanvas MakeLoadingScreen(bool barLit);
sCanvas MakeShowPicture();
