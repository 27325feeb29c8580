#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "effects/parameters.h"
#include "kernel/parameters.h"
#include "kernel/services.h"
#include "kernel/timeline.h"
#include "test_util.h"

namespace {

cTimeline Read(const std::string& script) {
    cTimeline t;
    t.RegisterVariables();
    LineList lines = LineList::FromBytes(
        std::span(reinterpret_cast<const uint8_t*>(script.data()), script.size()), true);
    t.ReadScript(lines);
    return t;
}

int Slot(Var v) { return static_cast<int>(v); }

TEST(TimelineRegistration, KeywordsTakeTheirSlotsInOrder) {
    cTimeline t;
    t.RegisterVariables();
    EXPECT_EQ(kKeywordCount, 93);
    EXPECT_EQ(t.fx[0].keyword, "BLANK");
    EXPECT_EQ(t.fx[2].keyword, "TITLE");
    EXPECT_EQ(t.fx[8].keyword, "LISSA");
    EXPECT_EQ(t.fx[92].keyword, "PICTURE2");
    EXPECT_TRUE(t.fx[93].keyword.Empty());
    EXPECT_EQ(t.fx[93].target, nullptr);
    // Switches point at their own slot; parameters at their owner's float.
    for (Var v : {Var::BLANK, Var::TUNNEL, Var::EXIT, Var::FADETOBLACK, Var::PICTURE2, Var::LISSABACK})
        EXPECT_EQ(t.fx[Slot(v)].target, &t.switches[Slot(v)]) << KeywordName(Slot(v));
    EXPECT_EQ(t.fx[Slot(Var::TUNNELFLASH)].target, &tunnel::flash);
    EXPECT_EQ(t.fx[Slot(Var::FADETIME)].target, &kernel_params::fadeTime);
    EXPECT_EQ(t.fx[Slot(Var::OVERLAYNR)].target, &overlay::number);
    // Every keyword outside the switch set is bound to some float of its own.
    for (int i = 0; i < kKeywordCount; ++i) {
        ASSERT_NE(t.fx[i].target, nullptr) << KeywordName(i);
        for (int j = 0; j < i; ++j) ASSERT_NE(t.fx[i].target, t.fx[j].target) << KeywordName(i);
    }
    EXPECT_EQ(roto::direction, 1.0f);
    EXPECT_FLOAT_EQ(tunnel::flash, 0.24f);
    EXPECT_EQ(ball::zSpeed, 0.3f);
}

TEST(TimelineScript, ReadsLoadListStartAndEvents) {
    cTimeline t = Read(
        "junk before\n"
        "LOAD\n"
        "tunnel.jpg\n"
        "start\n"
        "  1234 extra\n"
        "ignored\n"
        "demo\n"
        "100 Tunnel 1\n"
        "100 TUNNEL 1\n"
        "100 tunnel 1 ; comment\n"
        "200 tunnel\n"
        "300 tunnelflash 0.5 \n"
        "-5 exit 1\n");
    ASSERT_EQ(t.loadList.size(), 3u);
    EXPECT_EQ(t.loadList[0], "load");
    EXPECT_EQ(t.loadList[1], "tunnel.jpg");
    EXPECT_EQ(t.loadList[2], "----");
    EXPECT_EQ(t.startPosition, 1234);
    ASSERT_EQ(t.events.size(), 7u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.events[i].position, 100u);
        EXPECT_EQ(t.events[i].variable, Slot(Var::TUNNEL));
        EXPECT_EQ(t.events[i].value, 1.0f);
    }
    EXPECT_EQ(t.events[3].value, 0.0f);  // missing value
    EXPECT_EQ(t.events[4].variable, Slot(Var::TUNNELFLASH));
    EXPECT_EQ(t.events[4].value, 0.5f);  // trailing blank leaves the value third
    EXPECT_EQ(t.events[5].position, 0xFFFFFFFBu);
    EXPECT_EQ(t.events[6].position, kSentinelPosition);
    EXPECT_NE(LogText().find("starting pos:4d2"), std::string::npos);
}

TEST(TimelineScript, ScriptWithoutLoadLineHasNoEvents) {
    cTimeline t = Read("demo\n100 tunnel 1\n");
    ASSERT_EQ(t.loadList.size(), 1u);
    EXPECT_EQ(t.loadList[0], "----");
    ASSERT_EQ(t.events.size(), 1u);
    EXPECT_EQ(t.events[0].position, kSentinelPosition);
    EXPECT_EQ(Read("").events.size(), 1u);
}

TEST(TimelineScript, UnknownKeywordIsFatalAndNonNumbersReadAsZero) {
    ExpectFatal([] { Read("load\ndemo\n100 Tunnle 1\n"); }, "Unknown effect: tunnle");
    cTimeline t = Read("load\ndemo\nsoon blank lots\n");
    EXPECT_EQ(t.events[0].position, 0u);
    EXPECT_EQ(t.events[0].value, 0.0f);
}

TEST(TimelineEvents, AppliedInFileOrderUpToThePosition) {
    cTimeline t = Read(
        "load\ndemo\n"
        "0 blank 1\n"
        "0 title 2\n"
        "500 tunnel 1\n"
        "100 roto 1\n"      // waits for the 500 line before it
        "500 tunnel -0\n"   // same variable, same frame: the later line wins
        "-1 exit 1\n"       // never due, and blocks everything after it
        "0 bars 1\n");
    t.ApplyDueEvents(0);
    EXPECT_EQ(t.Switch(Var::BLANK), 1.0f);
    EXPECT_EQ(t.Switch(Var::TITLE), 2.0f);
    EXPECT_EQ(t.Switch(Var::TUNNEL), 0.0f);
    t.ApplyDueEvents(499);
    EXPECT_FALSE(t.On(Var::ROTO));
    t.ApplyDueEvents(500);
    EXPECT_TRUE(t.On(Var::ROTO));
    EXPECT_TRUE(std::signbit(t.Switch(Var::TUNNEL)));
    EXPECT_FALSE(t.On(Var::TUNNEL));
    t.ApplyDueEvents(0xFFFFFFFEu);
    EXPECT_FALSE(t.On(Var::EXIT));
    EXPECT_FALSE(t.On(Var::BARS));
    EXPECT_EQ(t.cursor, 5u);
}

TEST(TimelineEvents, CursorNeverPassesTheSentinel) {
    cTimeline t = Read("load\ndemo\n10 blank 1\n");
    t.ApplyDueEvents(0xFFFFFFFFu);  // past the sentinel's own position
    EXPECT_EQ(t.cursor, 1u);
    t.ApplyDueEvents(0xFFFFFFFFu);
    EXPECT_EQ(t.cursor, 1u);
}

TEST(Switches, OnlyPlusAndMinusZeroAreOff) {
    EXPECT_FALSE(SwitchOn(0.0f));
    EXPECT_FALSE(SwitchOn(-0.0f));
    EXPECT_TRUE(SwitchOn(-1.0f));
    EXPECT_TRUE(SwitchOn(1e-45f));
    EXPECT_TRUE(SwitchOn(std::nanf("")));
}

}  // namespace
