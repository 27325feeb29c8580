// The clock that drives the timeline: milliseconds of Milliseconds() since
// playback started, wrapping modulo 2^32. The audio stream's own position is
// never consulted, so a show without sound runs at exactly the same pace.
#pragma once

#include "kernel/mainloop.h"
#include "kernel/services.h"

class cMusicClock : public MusicPosition {
public:
    void Start() { start_ = Milliseconds(); }
    uint32_t Position() override { return Milliseconds() - start_; }

private:
    uint32_t start_ = 0;
};
