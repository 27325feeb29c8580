#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kernel/services.h"
#include "sound/mp3_decoder.h"
#include "sound/music.h"
#include "fixtures.h"
#include "test_util.h"

namespace {


const std::vector<uint8_t>& OneSecondFixture() {
    static const std::vector<uint8_t> bytes = EncodeMp3(44100, 2, 44100);
    return bytes;
}

std::vector<int16_t> ReadSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(raw.size() / 2);
    if (!samples.empty()) std::memcpy(samples.data(), raw.data(), samples.size() * 2);  // S16LE here
    return samples;
}

std::optional<size_t> FirstNonZero(const std::vector<int16_t>& s) {
    auto it = std::find_if(s.begin(), s.end(), [](int16_t v) { return v != 0; });
    if (it == s.end()) return std::nullopt;
    return static_cast<size_t>(it - s.begin());
}

// Sets an environment variable for the object's life.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(Mp3Decode, RejectsBytesThatAreNotMp3Audio) {
    const std::vector<uint8_t>& good = OneSecondFixture();
    std::mt19937 random(7);
    std::vector<uint8_t> noise(20000);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    std::string text = "this is not an mp3 file, just some text\n";
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"text", {text.begin(), text.end()}},
        {"zeros", std::vector<uint8_t>(8192, 0)},
        {"noise", noise},
        {"first byte of a frame header", {good.begin(), good.begin() + 1}},
        {"three bytes of a frame header", {good.begin(), good.begin() + 3}},
        {"a frame header alone", {good.begin(), good.begin() + 4}},
        {"part of the first frame", {good.begin(), good.begin() + 100}},
    };
    for (const Case& c : cases) {
        std::vector<int16_t> pcm(10, 1);
        EXPECT_FALSE(DecodeMp3(c.bytes, &pcm)) << c.what;
        EXPECT_TRUE(pcm.empty()) << c.what;
    }
}

// Every file comes out as 44100 Hz stereo of the right length: exactly for a
// 44100 Hz file (encoder delay and padding dropped), within the resampler's
// rounding for other rates; a mono file is doubled into both channels.
TEST(Mp3Decode, ConvertsAnyRateAndChannelCountTo44100Stereo) {
    struct Case {
        int rate, channels;
        int tolerance;  // frames
    } cases[] = {{44100, 2, 0}, {44100, 1, 0}, {22050, 2, 0}, {11025, 1, 0}, {48000, 2, 1}, {32000, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " channel(s)");
        std::vector<int16_t> pcm;
        ASSERT_TRUE(DecodeMp3(EncodeMp3(c.rate, c.channels, c.rate), &pcm));  // one second
        ASSERT_EQ(pcm.size() % 2, 0u);
        EXPECT_NEAR(static_cast<double>(pcm.size() / 2), 44100.0, c.tolerance);
        bool leftEqualsRight = true;
        for (size_t i = 0; i < pcm.size(); i += 2) leftEqualsRight &= pcm[i] == pcm[i + 1];
        EXPECT_EQ(leftEqualsRight, c.channels == 1);
        auto peak = *std::max_element(pcm.begin(), pcm.end());
        EXPECT_GT(peak, 5000);  // the signal survived, not silence
    }
}

TEST(Mp3Decode, TruncatedStreamDecodesWhatIsThere) {
    const std::vector<uint8_t>& good = OneSecondFixture();
    std::vector<int16_t> whole, half;
    ASSERT_TRUE(DecodeMp3(good, &whole));
    ASSERT_TRUE(DecodeMp3(std::span(good).first(good.size() / 2), &half));
    EXPECT_GT(half.size(), whole.size() / 4);
    EXPECT_LT(half.size(), whole.size());
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override { ClearLog(); }
    void TearDown() override {
        ShutdownSound();
        SetClock(nullptr);
    }
    TempDir dir;
};

TEST_F(SoundTest, BadOrMissingMusicFileIsFatalWithOrWithoutDevice) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    for (bool mute : {true, false}) {
        SCOPED_TRACE(mute ? "mute" : "dummy device");
        std::filesystem::remove("halcyon.mp3");
        ExpectFatal([&] { InitSound(mute); }, "File not found: halcyon.mp3");
        ShutdownSound();
        dir.Write("halcyon.mp3", std::string("ID3 but not really an mp3 at all"));
        try {
            InitSound(mute);
            ADD_FAILURE() << "expected a fatal error";
        } catch (const FatalCalled& e) {
            EXPECT_STREQ(e.what(), " Can't load mp3");
        }
        ShutdownSound();
    }
}

TEST_F(SoundTest, MuteRunsSilentlyWithTheSameClock) {
    dir.Write("halcyon.mp3", OneSecondFixture());
    ManualClock manual(0xFFFFF000u);  // the start time wraps modulo 2^32 below
    SetClock(&manual);
    InitSound(true);
    EXPECT_EQ(LogText().rfind("   [DEMOSOUND] Initializing\r\n   [DEMOSOUND] Initializing nosound\r\n", 0), 0u)
        << LogText();
    EXPECT_EQ(MusicFileBytes(), OneSecondFixture());

    manual.Advance(11000);  // the loading screen does not count
    StartMusic();
    EXPECT_EQ(MusicClock().Position(), 0u);
    manual.Advance(1234);
    EXPECT_EQ(MusicClock().Position(), 1234u);
    manual.Advance(0x10000);
    EXPECT_EQ(MusicClock().Position(), 1234u + 0x10000);
}

// The disk driver writes what the device plays, in real time, to a file of
// raw S16LE samples. It starts writing silence as soon as the device is open,
// so the music is located by its first non-zero sample, which must be the
// decoder's first non-zero sample; from there on every sample must match the
// decoder's output, and everything after it must be silence.
TEST_F(SoundTest, DevicePlaysExactlyTheDecodedMusicThenSilence) {
    const std::vector<uint8_t>& mp3 = OneSecondFixture();
    dir.Write("halcyon.mp3", mp3);
    std::vector<int16_t> expected;
    ASSERT_TRUE(DecodeMp3(mp3, &expected));
    size_t expectedLead = FirstNonZero(expected).value();

    const std::string out = (dir.path() / "played.raw").string();
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", out);
    InitSound(false);
    ASSERT_EQ(LogText().find("nosound"), std::string::npos) << "no device opened";
    StartMusic();

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(6);
    for (;;) {
        std::vector<int16_t> played = ReadSamples(out);
        std::optional<size_t> first = FirstNonZero(played);
        if (first && *first >= expectedLead && played.size() >= *first - expectedLead + expected.size()) break;
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "music not played in time";
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_GE(MusicClock().Position(), 850u);  // the device runs at most ~2 buffers ahead
    ShutdownSound();

    std::vector<int16_t> played = ReadSamples(out);
    size_t offset = FirstNonZero(played).value() - expectedLead;
    ASSERT_EQ(offset % 2, 0u) << "channels swapped or frame misaligned";
    ASSERT_GE(played.size(), offset + expected.size());
    auto mismatch = std::mismatch(expected.begin(), expected.end(), played.begin() + offset);
    EXPECT_TRUE(mismatch.first == expected.end())
        << "first difference at sample " << (mismatch.first - expected.begin());
    EXPECT_TRUE(std::all_of(played.begin() + offset + expected.size(), played.end(),
                            [](int16_t v) { return v == 0; }))
        << "not silent after the music";
}

}  // namespace
