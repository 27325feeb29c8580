// A presenter that shows nothing: for tests, benchmarks and runs without a display.
#pragma once

#include "kernel/mainloop.h"

class cNullPresenter : public FramePresenter {
public:
    void PresentFrame(uint32_t*) override { ++frames_; }
    uint64_t frames() const { return frames_; }

private:
    uint64_t frames_ = 0;
};
