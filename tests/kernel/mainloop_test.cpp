#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/effects.h"
#include "effects/parameters.h"
#include "kernel/mainloop.h"
#include "kernel/parameters.h"
#include "kernel/services.h"
#include "test_util.h"

namespace {

// Everything the watched effects did, in order, e.g. "render TUNNEL".
std::vector<std::string> g_calls;

template <Var V>
void RecordRender(uint32_t*) { g_calls.push_back(std::string("render ") + KeywordName(static_cast<int>(V))); }
template <Var V>
void RecordStop() { g_calls.push_back(std::string("stop ") + KeywordName(static_cast<int>(V))); }
template <Var V>
void RecordInit() { g_calls.push_back(std::string("init ") + KeywordName(static_cast<int>(V))); }
void PaintWhite(uint32_t* frame) { std::fill(frame, frame + kFramePixels, 0x00FFFFFFu); }
void RecordOverlay(uint32_t*) { g_calls.push_back("overlay " + std::to_string(overlay::colour)); }

class FakeMusic : public MusicPosition {
public:
    uint32_t Position() override { return Milliseconds(); }
};

class RecordingPresenter : public FramePresenter {
public:
    void PresentFrame(uint32_t* frame) override {
        ++presented;
        firstPixel = frame[0];
    }
    int presented = 0;
    uint32_t firstPixel = 0;
};

class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The real effects load files; here every keyword starts unbound and
        // each test binds the recorders it watches.
        for (int i = 0; i < kKeywordCount; ++i) Bind(static_cast<Var>(i), {});
        savedOverlay = ReplaceOverlayEffect({});
        SetClock(&clock);
        ClearQuitFlag();
        g_calls.clear();
        kernel_params::fadeTime = 1000.0f;
        timeline.RegisterVariables();
    }
    void TearDown() override {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) ReplaceEffect(it->first, it->second);
        ReplaceOverlayEffect(savedOverlay);
        SetClock(nullptr);
        ClearQuitFlag();
    }
    void Bind(Var v, sEffect e) { saved.emplace_back(v, ReplaceEffect(v, e)); }
    void Script(const std::string& text) {
        LineList lines = LineList::FromBytes(
            std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), true);
        timeline.ReadScript(lines);
    }
    // Runs one frame at music position `ms`.
    bool FrameAt(uint32_t ms) {
        clock.Set(ms);
        return loop.Frame();
    }

    ManualClock clock;
    FakeMusic music;
    RecordingPresenter presenter;
    cTimeline timeline;
    std::vector<uint32_t> frame = std::vector<uint32_t>(kFramePixels, 0x00123456u);
    cMainLoop loop{timeline, frame.data(), presenter, music};
    std::vector<std::pair<Var, sEffect>> saved;
    sEffect savedOverlay;
};

TEST_F(MainLoopTest, RendersSwitchedOnEffectsInTableOrder) {
    Bind(Var::WALL, {nullptr, RecordRender<Var::WALL>, nullptr});
    Bind(Var::THEEND, {nullptr, RecordRender<Var::THEEND>, nullptr});
    Bind(Var::TUNNEL, {nullptr, RecordRender<Var::TUNNEL>, nullptr});
    Bind(Var::MOVIE, {nullptr, RecordRender<Var::MOVIE>, nullptr});
    Bind(Var::NET5, {nullptr, RecordRender<Var::NET5>, nullptr});
    Bind(Var::ROTO, {nullptr, RecordRender<Var::ROTO>, nullptr});
    // All at position 0: every one of them is applied in the first frame.
    Script("load\ndemo\n0 wall 1\n0 movie 1\n0 tunnel 1\n0 theend 1\n0 net5 -2\n0 roto -0\n");
    ASSERT_TRUE(FrameAt(0));
    std::vector<std::string> expected = {"render THEEND", "render NET5", "render TUNNEL", "render MOVIE",
                                         "render WALL"};
    EXPECT_EQ(g_calls, expected);
    EXPECT_EQ(presenter.presented, 1);
}

TEST_F(MainLoopTest, BlankClearsWhatEarlierRowsDrew) {
    Bind(Var::THEEND, {nullptr, PaintWhite, nullptr});
    Script("load\ndemo\n0 theend 1\n0 blank 1\n100 blank 0\n");
    FrameAt(0);
    EXPECT_EQ(presenter.firstPixel, 0u);
    FrameAt(100);
    EXPECT_EQ(presenter.firstPixel, 0x00FFFFFFu);
}

TEST_F(MainLoopTest, StopHooksRunOnTheFallingEdgeOnly) {
    Bind(Var::TUNNEL, {nullptr, nullptr, RecordStop<Var::TUNNEL>});
    Bind(Var::ROTO, {nullptr, nullptr, RecordStop<Var::ROTO>});
    Bind(Var::TITLE, {nullptr, nullptr, RecordStop<Var::TITLE>});
    Script(
        "load\ndemo\n"
        "0 tunnel 1\n0 roto 1\n0 title -3\n"
        "100 tunnel -0\n100 roto 0\n"          // both fall: hooks in table order
        "200 title 0\n200 title 1\n"           // off and on within one frame: no hook
        "300 tunnel 1\n");
    FrameAt(0);
    EXPECT_TRUE(g_calls.empty());
    FrameAt(100);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"stop TUNNEL", "stop ROTO"}));
    g_calls.clear();
    FrameAt(200);
    FrameAt(300);
    FrameAt(400);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(MainLoopTest, AnEffectIsBuiltBeforeItsFirstFrameAndRebuiltAfterItsStopHook) {
    Bind(Var::TUNNEL, {RecordInit<Var::TUNNEL>, RecordRender<Var::TUNNEL>, RecordStop<Var::TUNNEL>});
    Script("load\ndemo\n0 tunnel 1\n100 tunnel 0\n200 tunnel 1\n");
    FrameAt(0);
    FrameAt(50);
    FrameAt(100);
    FrameAt(200);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"init TUNNEL", "render TUNNEL", "render TUNNEL", "stop TUNNEL",
                                                 "init TUNNEL", "render TUNNEL"}));
}

TEST_F(MainLoopTest, ExitCompletesThePresentFrameThenStops) {
    Bind(Var::WALL, {nullptr, RecordRender<Var::WALL>, nullptr});
    Script("load\ndemo\n0 wall 1\n50 exit 1\n");
    EXPECT_TRUE(FrameAt(0));
    EXPECT_TRUE(FrameAt(50));
    EXPECT_EQ(g_calls.size(), 2u);  // WALL, after EXIT in the table, still drew
    EXPECT_EQ(presenter.presented, 2);
    EXPECT_FALSE(FrameAt(60));
    EXPECT_EQ(presenter.presented, 2);
}

TEST_F(MainLoopTest, FadeToBlackDarkensThenReturnsToThePicture) {
    Bind(Var::TUNNEL, {nullptr, PaintWhite, nullptr});
    Script("load\ndemo\n0 tunnel 1\n1000 fadetoblack 1\n");
    struct Step {
        uint32_t ms;
        uint32_t pixel;
    } steps[] = {
        {1000, 0xFFFFFF},  // v = 0
        {1500, 0x808080},  // v = trunc(0.5 * 255) = 127
        {1999, 0x010101},  // v = 254
        {2000, 0x000000},  // v = 255: black, fade still running
        {2004, 0x000000},  // v past 255: clamped, last faded frame
        {2010, 0xFFFFFF},  // back to the undimmed picture
    };
    for (const Step& s : steps) {
        FrameAt(s.ms);
        EXPECT_EQ(presenter.firstPixel, s.pixel) << s.ms;
    }
    EXPECT_EQ(loop.fade(), Fade::None);
    EXPECT_EQ(timeline.Switch(Var::FADETOBLACK), 0.0f);  // the trigger resets itself
}

TEST_F(MainLoopTest, FadeDirectionsAndTheLastTriggerWins) {
    struct Case {
        const char* triggers;
        Fade expected;
        uint32_t blackAt250;  // pixel of a black frame 250 ms in (v = 63)
    } cases[] = {
        {"0 fadetowhite 1\n", Fade::ToWhite, 0x3F3F3F},
        {"0 fadefromwhite 1\n", Fade::FromWhite, 0xC0C0C0},
        {"0 fadetowhite 1\n0 fadefromblack 1\n", Fade::FromBlack, 0x000000},
        {"0 fadefromwhite 1\n0 fadetoblack 1\n0 fadetowhite 1\n", Fade::ToBlack, 0x000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.triggers);
        cTimeline t;
        t.RegisterVariables();
        std::string text = std::string("load\ndemo\n0 blank 1\n") + c.triggers;
        LineList lines = LineList::FromBytes(
            std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), true);
        t.ReadScript(lines);
        cMainLoop l(t, frame.data(), presenter, music);
        clock.Set(0);
        l.Frame();
        EXPECT_EQ(l.fade(), c.expected);
        clock.Set(250);
        l.Frame();
        EXPECT_EQ(presenter.firstPixel, c.blackAt250);
    }
}

TEST_F(MainLoopTest, FadeLevelGuardsDegenerateDurations) {
    bool done = false;
    EXPECT_EQ(FadeLevel(500, 0.0f, 1000.0f, &done), 127);
    EXPECT_FALSE(done);
    EXPECT_EQ(FadeLevel(5, 5.0f, 0.0f, &done), 255);  // 0 / 0
    EXPECT_TRUE(done);
    EXPECT_EQ(FadeLevel(6, 5.0f, 0.0f, &done), 255);
    EXPECT_TRUE(done);
    EXPECT_EQ(FadeLevel(4, 5.0f, 1000.0f, &done), 0);  // clock behind the start
    EXPECT_FALSE(done);
}

TEST_F(MainLoopTest, OverlayBlackThenWhite) {
    ReplaceOverlayEffect({nullptr, RecordOverlay, nullptr});
    Script("load\ndemo\n0 overlayw 1\n0 overlayb 1\n");
    FrameAt(0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"overlay " + std::to_string(0.0f),
                                                 "overlay " + std::to_string(1.0f)}));
}

TEST_F(MainLoopTest, PictureCommandShowsPictureAndRunsDeferredInitsOnce) {
    Bind(Var::CREDITS, {RecordInit<Var::CREDITS>, nullptr, nullptr});
    Bind(Var::KWALLEN, {RecordInit<Var::KWALLEN>, nullptr, nullptr});
    Bind(Var::KNOT, {RecordInit<Var::KNOT>, nullptr, nullptr});
    loop.SetShowPicture(std::vector<uint32_t>(kFramePixels, 0x00ABCDEFu));
    Script("load\ndemo\n0 blank 1\n100 picture 1\n100 blank 0\n200 picture2 0\n300 picture 1\n300 picture2 1\n");
    FrameAt(0);
    EXPECT_EQ(presenter.firstPixel, 0u);
    FrameAt(100);
    EXPECT_EQ(presenter.presented, 2 + 5);
    EXPECT_EQ(clock.Now(), 350u);  // the command sleeps 250 ms
    EXPECT_EQ(g_calls, (std::vector<std::string>{"init CREDITS", "init KNOT", "init KWALLEN"}));
    EXPECT_EQ(presenter.firstPixel, 0x00ABCDEFu);
    EXPECT_FALSE(timeline.On(Var::PICTURE));
    EXPECT_TRUE(timeline.On(Var::PICTURE2));
    frame[0] = 0;
    FrameAt(150);  // PICTURE2 keeps copying the picture
    EXPECT_EQ(presenter.firstPixel, 0x00ABCDEFu);
    FrameAt(200);  // PICTURE2 off: the picture is released
    EXPECT_FALSE(loop.HasShowPicture());
    frame[0] = 0x42;
    FrameAt(300);  // commands after the release are ignored
    EXPECT_EQ(presenter.firstPixel, 0x42u);
    EXPECT_EQ(g_calls.size(), 3u);
}

}  // namespace
