// The compressor and the library writer.
#include "resources/packer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "resources/library.h"
#include "resources/stream_builder.h"
#include "test_util.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed, uint32_t range = 256) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng() % range);
    return v;
}

std::vector<uint8_t> RepositoryText() {
    std::vector<uint8_t> text;
    for (const char* dir : {"/src/resources", "/tests/resources"}) {
        for (const auto& f : std::filesystem::directory_iterator(std::string(HDRIFT_SOURCE_DIR) + dir)) {
            std::ifstream in(f.path(), std::ios::binary);
            text.insert(text.end(), std::istreambuf_iterator<char>(in), {});
        }
    }
    return text;
}

// Unpacks into a buffer of exactly the original size.
std::vector<uint8_t> RoundTrip(const std::vector<uint8_t>& data, std::vector<uint8_t>* packedOut = nullptr) {
    std::vector<uint8_t> packed = PackStream(data);
    std::vector<uint8_t> out(data.size());
    std::string error;
    EXPECT_TRUE(Unpack(packed, out, &error)) << error;
    if (packedOut) *packedOut = std::move(packed);
    return out;
}

TEST(PackStreamTest, RoundTrips) {
    std::vector<uint8_t> gradient;  // 32-bit pixels 0x00RRGGBB, 256 x 64
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x)
            for (int c : {x * 3 / 4, y * 4, (x + y) / 2, 0}) gradient.push_back(static_cast<uint8_t>(c));
    std::vector<uint8_t> runs;
    std::mt19937 rng(7);
    while (runs.size() < 200000) runs.insert(runs.end(), 1 + rng() % 700, static_cast<uint8_t>(rng() % 4));
    std::vector<uint8_t> periodic;
    for (int period = 1; period <= 40; ++period)
        for (int i = 0; i < 600; ++i) periodic.push_back(static_cast<uint8_t>(i % period * 37));
    // Repeats that straddle the parser's block boundaries, and one far back.
    std::vector<uint8_t> blocks = RandomBytes(100000, 3, 16);
    for (int i = 0; i < 3; ++i) blocks.insert(blocks.end(), blocks.begin() + 1000 * i, blocks.begin() + 1000 * i + 99000);
    std::vector<uint8_t> far = RandomBytes(700000, 4);
    far.insert(far.end(), far.begin() + 10, far.begin() + 5000);

    struct Case {
        const char* what;
        std::vector<uint8_t> data;
    } cases[] = {
        {"empty", {}},
        {"one byte", {42}},
        {"one zero", {0}},
        {"all zero", std::vector<uint8_t>(300000, 0)},
        {"random", RandomBytes(100000, 1)},
        {"few symbols", RandomBytes(50000, 2, 3)},
        {"text", RepositoryText()},
        {"gradient picture", gradient},
        {"runs", runs},
        {"periodic", periodic},
        {"block boundaries", blocks},
        {"far repeat", far},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> packed;
        EXPECT_EQ(RoundTrip(c.data, &packed), c.data);
        if (c.data.size() <= 100000) {
            EXPECT_EQ(ReferenceUnpack(packed, c.data.size()), c.data);
        }
        // The parse is never worse than all literals.
        EXPECT_LE(packed.size(), c.data.size() * 9 / 8 + 3);
    }
}

TEST(PackStreamTest, LongInputWrapsTheWindow) {
    // 2.5 MB made of a repeated 100 KB block: past the match finder's window
    // size, so its tables wrap around.
    std::vector<uint8_t> block = RandomBytes(100000, 5);
    std::vector<uint8_t> data;
    for (int i = 0; i < 25; ++i) {
        data.insert(data.end(), block.begin(), block.end());
        data[data.size() - 1 - static_cast<size_t>(i)] ^= 0x55;
    }
    std::vector<uint8_t> packed;
    EXPECT_EQ(RoundTrip(data, &packed), data);
    EXPECT_LT(packed.size(), 115000u);
}

TEST(PackStreamTest, EmptyInputIsJustTheEndCode) {
    EXPECT_EQ(PackStream({}), (std::vector<uint8_t>{0xC0, 0x00}));
}

TEST(PackStreamTest, PicksTheCheapCodes) {
    // 300 random bytes, none of them 255.
    std::vector<uint8_t> unique = RandomBytes(300, 8, 255);
    std::vector<uint8_t> withRepeat = unique;
    withRepeat.insert(withRepeat.end(), unique.begin(), unique.begin() + 100);
    withRepeat.push_back(255);
    withRepeat.insert(withRepeat.end(), unique.begin() + 101, unique.begin() + 200);

    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        std::string codesAtEnd;
        size_t packedSize;  // 0: not checked
    } cases[] = {
        // D = 0, then one match at offset 1: 7 + 30 + 11 (end) bits, 16 of
        // them in whole bytes, so 4 tag bytes and 2 bytes.
        {"run of zeros", std::vector<uint8_t>(1000, 0), "NM", 6},
        {"period 3", Bytes("abcabcabcabcabcabcabcabcabcabc"), "LLLM", 0},
        {"repeat after a literal reuses the offset", withRepeat, "MLR", 0},
        {"short match and near byte", Bytes("xyzwxyqq"), "LLLLSLN", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> packed = PackStream(c.data);
        std::string codes;
        EXPECT_EQ(ReferenceUnpack(packed, c.data.size(), &codes), c.data);
        ASSERT_GE(codes.size(), c.codesAtEnd.size());
        EXPECT_EQ(codes.substr(codes.size() - c.codesAtEnd.size()), c.codesAtEnd);
        if (c.packedSize) {
            EXPECT_EQ(packed.size(), c.packedSize);
        }
    }
}

TEST(PackStreamTest, BeatsPlainLiteralsOnText) {
    std::vector<uint8_t> text = RepositoryText();
    std::vector<uint8_t> packed;
    ASSERT_EQ(RoundTrip(text, &packed), text);
    EXPECT_LT(packed.size() * 2, text.size());
}

// ---------------------------------------------------------------------------

uint32_t Le(const std::vector<uint8_t>& v, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | v[at + static_cast<size_t>(i)];
    return value;
}

TEST(WriteLibraryTest, Layout) {
    TempDir dir;
    std::vector<uint8_t> second = RandomBytes(3000, 6, 4);
    std::vector<sPackEntry> entries = {{"first.txt", Bytes("hello hello hello")},
                                       {std::string(127, 'n'), second}};
    std::string error;
    ASSERT_TRUE(WriteLibrary("lib", entries, &error)) << error;
    std::ifstream in("lib", std::ios::binary);
    std::vector<uint8_t> file(std::istreambuf_iterator<char>(in), {});

    ASSERT_GE(file.size(), 4u + 2 * 140);
    EXPECT_EQ(file[0], 0);
    EXPECT_EQ(file[1], 0);
    EXPECT_EQ(Le(file, 2, 2), 2u);
    size_t directory = file.size() - 2 * 140;
    size_t blockEnd = 4;
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        size_t at = directory + i * 140;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[at])), entries[i].name);
        uint32_t offset = Le(file, at + 128, 4);
        EXPECT_EQ(offset, blockEnd);  // blocks follow each other from the header on
        EXPECT_EQ(Le(file, at + 132, 4), entries[i].data.size());
        EXPECT_EQ(Le(file, at + 136, 4), 0u);
        uint32_t packedSize = Le(file, offset, 4);
        std::vector<uint8_t> packed(file.begin() + offset + 4, file.begin() + offset + 4 + packedSize);
        EXPECT_EQ(ReferenceUnpack(packed, entries[i].data.size()), entries[i].data);
        blockEnd = offset + 4 + packedSize;
    }
    EXPECT_EQ(blockEnd, directory);
}

TEST(WriteLibraryTest, RejectsBadEntrySets) {
    TempDir dir;
    std::vector<sPackEntry> tooMany(513);
    for (size_t i = 0; i < tooMany.size(); ++i) tooMany[i].name = "f" + std::to_string(i);
    struct Case {
        const char* what;
        std::vector<sPackEntry> entries;
        const char* reason;
    } cases[] = {
        {"more than 512", tooMany, "too many entries"},
        {"name of 128 bytes", {{std::string(128, 'n'), {}}}, "name too long"},
        {"zero byte in a name", {{std::string("a\0b", 3), {}}}, "zero byte"},
        {"empty name", {{"", {1}}}, "empty name"},
        {"same name but for case", {{"Loading.JPG", {1}}, {"x", {}}, {"loading.jpg", {2}}},
         "duplicate name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        EXPECT_FALSE(WriteLibrary("lib", c.entries, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_FALSE(std::filesystem::exists("lib"));
    }
}

}  // namespace
