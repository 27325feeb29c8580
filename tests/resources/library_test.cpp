// The packed-stream decoder and the data library's directory and entries.
#include "resources/library.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "kernel/services.h"
#include "resources/file.h"
#include "resources/packer.h"
#include "resources/stream_builder.h"
#include "test_util.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Unpacks into a buffer of exactly `size` bytes, so the sanitizer build
// catches any access outside it.
bool UnpackTo(const std::vector<uint8_t>& packed, size_t size, std::vector<uint8_t>* out,
              std::string* error) {
    auto packedCopy = std::make_unique<uint8_t[]>(packed.size());
    if (!packed.empty()) std::memcpy(packedCopy.get(), packed.data(), packed.size());
    out->assign(size, 0xEE);
    return Unpack({packedCopy.get(), packed.size()}, *out, error);
}

TEST(UnpackTest, HandAssembledBytes) {
    // Worked out bit by bit, to pin the layout the builder below relies on.
    struct Case {
        std::vector<uint8_t> packed;
        std::string expected;
    } cases[] = {
        // tag 11000000: short match with T = 0 ends at once.
        {{0xC0, 0x00}, ""},
        // tag 00110111: literal 'A', literal 'B', short match (T = 4: offset
        // 2, length 2), near-byte prefix; tag 00001100: D = 0, end.
        {{0x37, 'A', 'B', 0x04, 0x0C, 0x00}, std::string("ABAB\0", 5)},
        // tag 01001101: literal 'x', long match, gamma 3 (offset byte 1
        // follows), gamma bits 101; tag 00011000: 000 ends gamma 8, which
        // with offset 1 <= 127 is length 10; then the end code.
        {{0x4D, 'x', 0x01, 0x18, 0x00}, std::string(11, 'x')},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out;
        std::string error;
        ASSERT_TRUE(UnpackTo(c.packed, c.expected.size(), &out, &error)) << error;
        EXPECT_EQ(out, Bytes(c.expected));
    }
}

TEST(UnpackTest, EveryCode) {
    std::vector<uint8_t> ramp(300);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<uint8_t>(i * 7 + 1);
    auto rampThen = [&](std::vector<uint8_t> tail) {
        std::vector<uint8_t> v = ramp;
        v.insert(v.end(), tail.begin(), tail.end());
        return v;
    };
    StreamBuilder rampStream;
    for (uint8_t b : ramp) rampStream.Literal(b);

    struct Case {
        const char* what;
        std::vector<uint8_t> packed;
        std::vector<uint8_t> expected;
    } cases[] = {
        {"offset 1 length 10 repeats the last byte",
         StreamBuilder().Literal('q').LongMatch(1, 8).End().bytes(), Bytes(std::string(11, 'q'))},
        {"offset 127 gets 2 added to its length",
         StreamBuilder(rampStream).LongMatch(127, 2).End().bytes(),
         rampThen({ramp[173], ramp[174], ramp[175], ramp[176]})},
        {"offset 128 does not",
         StreamBuilder(rampStream).LongMatch(128, 2).End().bytes(), rampThen({ramp[172], ramp[173]})},
        {"offsets past 255 take a larger gamma number",
         StreamBuilder(rampStream).LongMatch(300, 3).End().bytes(),
         rampThen({ramp[0], ramp[1], ramp[2]})},
        {"repeat after a short match reuses the last long offset",
         StreamBuilder().Literals("abcdef").LongMatch(6, 2).ShortMatch(1, 2).Repeat(3).End().bytes(),
         Bytes("abcdefabcdddabc")},
        {"long overlapping repeat",
         StreamBuilder().Literals("xy").LongMatch(2, 998).Repeat(500).End().bytes(), [] {
             std::vector<uint8_t> v;
             for (int i = 0; i < 1502; ++i) v.push_back(i % 2 ? 'y' : 'x');
             return v;
         }()},
        {"short match of 3 (odd T)",
         StreamBuilder().Literals("abc").ShortMatch(3, 3).End().bytes(), Bytes("abcabc")},
        {"near byte D = 0 writes zero, even as the first byte",
         StreamBuilder().NearByte(0).Literal('k').NearByte(0).End().bytes(),
         Bytes(std::string("\0k\0", 3))},
        {"near byte D copies the byte D back",
         StreamBuilder().Literals("abc").NearByte(3).NearByte(1).End().bytes(), Bytes("abcaa")},
        {"T = 1 ends the stream too; bytes after the end are ignored",
         [] {
             auto v = StreamBuilder().Literal('z').ShortRaw(1).bytes();
             v.push_back(0x99);
             return v;
         }(),
         Bytes("z")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> out;
        std::string error;
        ASSERT_TRUE(UnpackTo(c.packed, c.expected.size(), &out, &error)) << error;
        EXPECT_EQ(out, c.expected);
        EXPECT_EQ(ReferenceUnpack(c.packed, c.expected.size()), c.expected);
    }
}

TEST(UnpackTest, RejectsBrokenStreams) {
    StreamBuilder hugeGamma;
    hugeGamma.Bit(1);
    hugeGamma.Bit(0);
    for (int i = 0; i < 40; ++i) {
        hugeGamma.Bit(1);
        hugeGamma.Bit(1);
    }
    struct Case {
        const char* what;
        std::vector<uint8_t> packed;
        size_t size;
        const char* reason;
    } cases[] = {
        {"empty stream", {}, 0, "past the end of the packed"},
        {"tag without its literal", {0x00}, 1, "past the end of the packed"},
        {"no end code", StreamBuilder().Literal('a').bytes(), 1, "past the end of the packed"},
        {"missing offset byte", {0x90}, 4, "past the end of the packed"},
        {"literal past the output", StreamBuilder().Literals("ab").End().bytes(), 1,
         "past the end of the output"},
        {"near byte past the output", StreamBuilder().Literal('a').NearByte(0).End().bytes(), 1,
         "past the end of the output"},
        {"match past the output", StreamBuilder().Literal('a').LongMatch(1, 8).End().bytes(), 10,
         "past the end of the output"},
        {"huge length", StreamBuilder().Literal('a').LongMatch(1, 1u << 29).End().bytes(), 100,
         "past the end of the output"},
        {"long offset before the start", StreamBuilder().Literals("ab").LongMatch(3, 2).End().bytes(),
         10, "before the start"},
        {"far offset before the start", StreamBuilder().Literals("ab").LongMatch(70000, 2).End().bytes(),
         10, "before the start"},
        {"short offset before the start", StreamBuilder().Literal('a').ShortMatch(2, 2).End().bytes(),
         10, "before the start"},
        {"near byte before the start", StreamBuilder().Literal('a').NearByte(2).End().bytes(), 10,
         "before the start"},
        {"offset 0", StreamBuilder().Literals("ab").LongMatch(0, 2).End().bytes(), 10, "offset 0"},
        {"repeat before any long match", StreamBuilder().Literal('a').Repeat(2).End().bytes(), 3,
         "last offset"},
        {"repeat after only a short match",
         StreamBuilder().Literals("ab").ShortMatch(2, 2).Repeat(2).End().bytes(), 6, "last offset"},
        {"end before the output is full", StreamBuilder().Literal('a').End().bytes(), 2,
         "ends before the output is full"},
        {"gamma number too large", hugeGamma.bytes(), 100, "too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> out;
        std::string error;
        EXPECT_FALSE(UnpackTo(c.packed, c.size, &out, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_FALSE(ReferenceUnpack(c.packed, c.size).has_value());
    }
}

// Random streams, and packed streams with bytes flipped, dropped or cut off:
// the decoder must agree with the reference on whether each is valid and
// on the bytes it produces.
TEST(UnpackTest, AgreesWithReferenceOnDamagedStreams) {
    std::mt19937 rng(1234);
    std::vector<std::vector<uint8_t>> sources;
    for (int n : {0, 1, 40, 700, 5000}) {
        std::vector<uint8_t> data(static_cast<size_t>(n));
        for (auto& b : data) b = static_cast<uint8_t>(rng() % 4 == 0 ? rng() : rng() % 3);
        sources.push_back(data);
    }
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::vector<uint8_t>& source = sources[round % sources.size()];
        std::vector<uint8_t> packed;
        size_t size = source.size();
        switch (round % 4) {
        case 0:  // random bytes
            packed.resize(rng() % 64);
            for (auto& b : packed) b = static_cast<uint8_t>(rng());
            size = rng() % 200;
            break;
        case 1:  // a few flipped bits
            packed = PackStream(source);
            for (int i = 0; i < 1 + static_cast<int>(rng() % 3); ++i)
                packed[rng() % packed.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
            break;
        case 2:  // cut off
            packed = PackStream(source);
            packed.resize(rng() % packed.size());
            break;
        case 3:  // a byte dropped, or the wrong output size
            packed = PackStream(source);
            if (rng() % 2) {
                packed.erase(packed.begin() + static_cast<ptrdiff_t>(rng() % packed.size()));
            } else {
                size = size + 1 - rng() % 3;
                if (size > source.size() + 1) size = 0;
            }
            break;
        }
        std::vector<uint8_t> out;
        std::string error;
        bool ok = UnpackTo(packed, size, &out, &error);
        auto expected = ReferenceUnpack(packed, size);
        ASSERT_EQ(ok, expected.has_value()) << "round " << round << ": " << error;
        if (ok) {
            ASSERT_EQ(out, *expected) << "round " << round;
            ++accepted;
        }
        if (round % 4 == 2) {
            EXPECT_FALSE(ok) << "a cut-off stream was accepted, round " << round;
        }
    }
    EXPECT_GT(accepted, 0);
}

// ---------------------------------------------------------------------------
// The library file.

void PutLe(std::vector<uint8_t>& v, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) v[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

// A library built by hand: header, the blocks, then the directory.
struct RawEntry {
    std::string name;
    std::vector<uint8_t> packed;
    uint32_t unpackedSize;
};

std::vector<uint8_t> RawLibrary(const std::vector<RawEntry>& entries) {
    std::vector<uint8_t> file(4, 0);
    PutLe(file, 2, static_cast<uint32_t>(entries.size()), 2);
    std::vector<uint32_t> offsets;
    for (const RawEntry& e : entries) {
        offsets.push_back(static_cast<uint32_t>(file.size()));
        size_t at = file.size();
        file.resize(at + 4);
        PutLe(file, at, static_cast<uint32_t>(e.packed.size()), 4);
        file.insert(file.end(), e.packed.begin(), e.packed.end());
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        size_t at = file.size();
        file.resize(at + kLibraryEntryBytes, 0);
        std::memcpy(&file[at], entries[i].name.data(), entries[i].name.size());
        PutLe(file, at + 128, offsets[i], 4);
        PutLe(file, at + 132, entries[i].unpackedSize, 4);
    }
    return file;
}

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override { ClearLog(); }
    void TearDown() override { CloseLibrary(); }

    void WriteLib(const std::vector<sPackEntry>& entries) {
        std::string error;
        ASSERT_TRUE(WriteLibrary("drift", entries, &error)) << error;
    }

    TempDir dir_;
};

TEST_F(LibraryTest, OpensFindsAndReads) {
    std::vector<uint8_t> picture(5000);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint8_t>(i / 40);
    WriteLib({{"loading.jpg", picture}, {"script.txt", Bytes("tunnel 1\n")}, {"empty", {}}});

    OpenLibrary("drift", 0);
    ASSERT_TRUE(LibraryIsOpen());
    EXPECT_NE(LogText().find("   [DEMOLIB] Opened libfile: drift\r\n"), std::string::npos);
    EXPECT_NE(LogText().find("   [DEMOLIB] Found: loading.jpg\r\n   [DEMOLIB] Found: script.txt\r\n"
                             "   [DEMOLIB] Found: empty\r\n"),
              std::string::npos);
    ASSERT_EQ(LibraryEntries().size(), 3u);
    EXPECT_EQ(LibraryEntries()[0].unpackedSize, 5000u);

    EXPECT_EQ(FindLibraryEntry("Loading.JPG"), 0);
    EXPECT_EQ(FindLibraryEntry("SCRIPT.TXT"), 1);
    EXPECT_EQ(FindLibraryEntry("loading.jp"), -1);
    EXPECT_EQ(FindLibraryEntry("missing"), -1);
    EXPECT_EQ(ReadLibraryEntry(0), picture);
    EXPECT_EQ(ReadLibraryEntry(1), Bytes("tunnel 1\n"));
    EXPECT_TRUE(ReadLibraryEntry(2).empty());
    // Nothing is cached: a second read unpacks again.
    EXPECT_EQ(ReadLibraryEntry(0), picture);
}

TEST_F(LibraryTest, LibraryComesBeforeDiskAndEmptyLibraryLeavesDisk) {
    WriteLib({{"script.txt", Bytes("from library")}});
    dir_.Write("Script.txt", std::string("from disk"));
    dir_.Write("other.txt", std::string("only on disk"));
    OpenLibrary("drift", 0);
    sFileHandle file = FileOpen("SCRIPT.TXT");
    EXPECT_EQ(file.data, Bytes("from library"));
    EXPECT_EQ(file.size, 12);
    EXPECT_EQ(FileOpen("other.txt").data, Bytes("only on disk"));

    WriteLib({});
    OpenLibrary("drift", 0);
    EXPECT_TRUE(LibraryIsOpen());
    EXPECT_TRUE(LibraryEntries().empty());
    EXPECT_EQ(FileOpen("Script.txt").data, Bytes("from disk"));
}

TEST_F(LibraryTest, MissingLibraryFileLeavesItClosed) {
    dir_.Write("a.txt", std::string("disk"));
    OpenLibrary("drift", 0);
    EXPECT_FALSE(LibraryIsOpen());
    EXPECT_NE(LogText().find("drift"), std::string::npos);
    EXPECT_EQ(FindLibraryEntry("a.txt"), -1);
    EXPECT_EQ(FileOpen("a.txt").data, Bytes("disk"));
}

TEST_F(LibraryTest, MalformedDirectoriesAreFatal) {
    std::vector<uint8_t> good = StreamBuilder().Literals("hi").End().bytes();
    auto withCount = [](std::vector<uint8_t> file, int count) {
        PutLe(file, 2, static_cast<uint32_t>(count), 2);
        return file;
    };
    auto withDirectoryWord = [](std::vector<uint8_t> file, size_t entry, size_t field, uint32_t v) {
        size_t directory = file.size() - 140 * (entry + 1);
        PutLe(file, directory + field, v, 4);
        return file;
    };
    std::vector<uint8_t> one = RawLibrary({{"a.txt", good, 2}});
    std::vector<uint8_t> unterminated = one;
    std::memset(&unterminated[unterminated.size() - 140], 'n', 128);
    std::vector<uint8_t> bigCount(4 + 513 * 140, 0);
    PutLe(bigCount, 2, 513, 2);

    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        const char* message;
    } cases[] = {
        {"header cut short", {0, 0}, "too short for its header"},
        {"negative count", withCount(one, -1), "negative entry count"},
        {"more than 512 entries", bigCount, "513 entries"},
        {"directory longer than the file", withCount(one, 3), "too short for its directory"},
        {"offset outside the file", withDirectoryWord(one, 0, 128, 100000), "entry a.txt"},
        // P then comes from the directory itself: 0x00020000.
        {"block past the end", withDirectoryWord(one, 0, 128, static_cast<uint32_t>(one.size() - 10)),
         "entry a.txt"},
        {"name without its zero", unterminated, "not zero-terminated"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir_.Write("broken.lib", c.file);
        ExpectFatal([] { OpenLibrary("broken.lib", 0); }, "broken.lib");
        ExpectFatal([] { OpenLibrary("broken.lib", 0); }, c.message);
        EXPECT_FALSE(LibraryIsOpen());
    }
}

TEST_F(LibraryTest, CorruptEntryIsFatalNamingLibraryEntryAndReason) {
    std::vector<uint8_t> good = StreamBuilder().Literals("hi").End().bytes();
    std::vector<uint8_t> noEnd = StreamBuilder().Literals("hi").bytes();
    dir_.Write("drift", RawLibrary({{"good.txt", good, 2},
                                    {"cut.txt", noEnd, 2},
                                    {"short.txt", good, 5},
                                    {"huge.txt", good, 0x80000000u}}));
    OpenLibrary("drift", 0);
    ASSERT_TRUE(LibraryIsOpen());
    EXPECT_EQ(ReadLibraryEntry(0), Bytes("hi"));
    ExpectFatal([] { FileOpen("cut.txt"); }, "Library drift: entry cut.txt is corrupt: reads past");
    ExpectFatal([] { ReadLibraryEntry(2); }, "entry short.txt is corrupt: stream ends before");
    ExpectFatal([] { ReadLibraryEntry(3); }, "entry huge.txt is too large");
    ExpectFatal([] { ReadLibraryEntry(7); }, "no entry number 7");
}

}  // namespace
