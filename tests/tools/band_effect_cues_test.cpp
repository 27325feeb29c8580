// The cues of the tunnel, zoom tunnel and rotozoomer: known keywords only,
// the effect on at the first bar and off at the last, every cue inside the
// span, parameters within the ranges the effects use.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "content_roto.h"
#include "content_tunnel.h"
#include "content_zoomer.h"
#include "kernel/timeline.h"

namespace {

using CueFn = void (*)(const sSongLayout&, double, double, std::vector<sCue>&);

struct Case {
    const char* name;
    CueFn cues;
    const char* keyword;
};

const Case kCases[] = {
    {"tunnel", TunnelCues, "tunnel"},
    {"zoomer", ZoomerCues, "zoomer"},
    {"roto", RotoCues, "roto"},
};

float LastValue(const std::vector<sCue>& cues, const std::string& keyword) {
    float value = 0.0f;
    for (const sCue& c : cues)
        if (c.keyword == keyword) value = c.value;
    return value;
}

}  // namespace

TEST(BandEffectCues, SwitchOnAndOffAndStayInRange) {
    const sSongLayout song{124.0, 4, {{"intro", 0, 8}, {"drop", 8, 16}, {"outro", 24, 8}}};
    cTimeline timeline;
    timeline.RegisterVariables();
    for (const Case& c : kCases) {
        for (double from : {8.0, 9.5}) {
            const double to = from + 13;
            std::vector<sCue> cues;
            c.cues(song, from, to, cues);
            ASSERT_FALSE(cues.empty()) << c.name;
            const uint32_t fromMs = song.BarToMs(from), toMs = song.BarToMs(to);
            bool on = false;
            for (const sCue& cue : cues) {
                EXPECT_GE(timeline.FindVariable(String(cue.keyword.c_str())), 0) << c.name << ": " << cue.keyword;
                EXPECT_GE(cue.ms, fromMs) << c.name << ": " << cue.keyword;
                EXPECT_LE(cue.ms, toMs) << c.name << ": " << cue.keyword;
                if (cue.keyword == c.keyword && cue.value == 1.0f) on = on || cue.ms == fromMs;
                if (cue.keyword == "tunnelzoom") {
                    EXPECT_GE(cue.value, 0.0f);
                    EXPECT_LE(cue.value, 256.0f);
                }
                if (cue.keyword == "rotodirection") {
                    EXPECT_NE(cue.value, 0.0f);
                }
            }
            EXPECT_TRUE(on) << c.name;
            EXPECT_EQ(LastValue(cues, c.keyword), 0.0f) << c.name;
            EXPECT_EQ(cues.back().ms, toMs) << c.name;
        }
    }
}

TEST(BandEffectCues, ZoomPullsOutAndComesBack) {
    // The zoom changes by elapsed ms * 0.00025 * ZOOMSPEED, counted from
    // the effect's last frame, here a minute before; the speed must be 0
    // when the effect comes on, then take the zoom from 4 out to 248 and
    // back to 4.
    const sSongLayout song{124.0, 4, {{"drop", 0, 64}}};
    std::vector<sCue> cues;
    ZoomerCues(song, 40, 56, cues);
    std::stable_sort(cues.begin(), cues.end(), [](const sCue& a, const sCue& b) { return a.ms < b.ms; });
    const uint32_t fromMs = song.BarToMs(40);
    // Whatever speed an earlier scene left; the events at the first bar
    // apply before the effect's first frame, which then adds the gap.
    double speed = 500.0;
    size_t i = 0;
    for (; i < cues.size() && cues[i].ms == fromMs; ++i)
        if (cues[i].keyword == "zoomspeed") speed = cues[i].value;
    auto clamp = [](double z) { return z < 4 ? 4 : z > 248 ? 248 : z; };
    double zoom = clamp(4.0 + 60000 * 0.00025 * speed);
    EXPECT_EQ(zoom, 4.0);
    uint32_t last = fromMs;
    double highest = zoom;
    for (; i < cues.size(); ++i) {
        zoom = clamp(zoom + (cues[i].ms - last) * 0.00025 * speed);
        highest = std::max(highest, zoom);
        last = cues[i].ms;
        if (cues[i].keyword == "zoomspeed") speed = cues[i].value;
    }
    EXPECT_GT(highest, 240.0);
    EXPECT_LT(zoom, 12.0);
}
