// The dot wall: golden frames drawn over a noisy frame (so the black rows
// above and below the field must be cleared), and a rebuild after the stop
// hook.
#include <gtest/gtest.h>

#include <random>

#include "effects/dotwall.h"
#include "golden_frame.h"
#include "kernel/services.h"
#include "video/video.h"

namespace {

TEST(Dotwall, GoldenFramesOverANoisyFrame) {
    struct Case {
        const char* name;
        uint32_t t;
        uint64_t hash;
    } const cases[] = {
        {"dotwall_0", 0, 0x9434c932606a4325},  // every cell the same size
        {"dotwall_1000", 1000, 0x460d3d455cace825},
        {"dotwall_7777", 7777, 0x7e99e5036c9cb3f5},
        {"dotwall_wrapped", 0xFFFFF000u, 0xe034d761e502ba7c},  // t x row wraps modulo 2^32
    };
    SetResolution(512, 384, true);
    ManualClock clock;
    SetClock(&clock);
    DotwallInit();
    std::mt19937 random(3);
    for (int pass = 0; pass < 2; ++pass) {
        for (const Case& c : cases) {
            for (int i = 0; i < 512 * 384; ++i) FrameBuffer()[i] = random();
            clock.Set(c.t);
            DotwallRender(FrameBuffer());
            golden::ExpectFrame(c.name, FrameBuffer(), c.hash);
        }
        DotwallStop();
        DotwallInit();
    }
    DotwallStop();
    SetClock(nullptr);
}

}  // namespace
