#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/string.h"
#include "support/text.h"
#include "test_util.h"

namespace {

std::vector<std::string> Lines(const std::string& bytes, bool lower = true) {
    LineList list = LineList::FromBytes(
        std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), lower);
    std::vector<std::string> out;
    for (String l = list.FirstLine(); !(l == kEndMarker); l = list.NextLine()) out.push_back(l.Str());
    return out;
}

std::vector<std::string> Words(const std::string& line) {
    WordList words{String(line)};
    std::vector<std::string> out;
    for (size_t i = 0; i < words.Count(); ++i) out.push_back(words.Word(i).Str());
    return out;
}

TEST(String, IndexPastEndReadsZeroAndLowerOnlyTouchesAsciiLetters) {
    String s("aB\xC4Z");
    EXPECT_EQ(s[3], 'Z');
    EXPECT_EQ(s[4], '\0');
    EXPECT_EQ(s[1000], '\0');
    EXPECT_EQ(s.Lower(), "ab\xC4z");
    EXPECT_EQ(s.Substring(1, 2), "B\xC4");
    EXPECT_EQ(s.Substring(9, 2), "");
    EXPECT_EQ(String("lib") + ".mtl", "lib.mtl");
}

TEST(LineReader, CleansLinesInOrder) {
    struct Case {
        const char* raw;
        const char* expected;  // nullptr: the line is dropped
    } cases[] = {
        {"  Name  ;comment\n", "name"},
        {"   \n", nullptr},
        {"; only a comment\n", nullptr},
        {"\t;tab then comment\n", nullptr},
        {"material {\n", "material {"},
        {"}\n", "} }"},
        {"}\r\n", "} }"},
        {"}", "} }"},
        {"\"Picture.JPG\"\n", "picture.jpg"},
        {"say \"a;b\" now\n", "say a"},     // quotes do not protect a semicolon
        {"100 tunnel 1 ;; on\n", "100 tunnel 1"},
        {"a\tb\tc\n", "a b c"},
        {"trailing  \n", "trailing  "},    // blanks stay when there is no comment
        {"x ; ;y\n", "x"},
        {"crlf line\r\n", "crlf line"},
        {"\r\n", nullptr},
        {"\x01control\n", nullptr},
        {"\"\"\n", nullptr},
    };
    for (const Case& c : cases) {
        String out;
        bool kept = CleanLine(c.raw, true, &out);
        SCOPED_TRACE(c.raw);
        if (c.expected == nullptr) {
            EXPECT_FALSE(kept) << "got \"" << out.Str() << "\"";
        } else {
            ASSERT_TRUE(kept);
            EXPECT_EQ(out.Str(), c.expected);
        }
    }
}

TEST(LineReader, UpperCaseKeptWithoutFlagAndLongLinesCut) {
    String out;
    ASSERT_TRUE(CleanLine("KeepMe\n", false, &out));
    EXPECT_EQ(out, "KeepMe");
    ASSERT_TRUE(CleanLine(std::string(400, 'x') + "\n", true, &out));
    EXPECT_EQ(out.Length(), kMaxRawLine);
    // A zero byte ends the line, as it would in a C buffer.
    ASSERT_TRUE(CleanLine(std::string("ab\0cd\n", 6), true, &out));
    EXPECT_EQ(out, "ab");
}

TEST(LineReader, FileLinesWithUnixAndWindowsEndsAgree) {
    std::vector<std::string> expected = {"load", "demo", "100 tunnel 1"};
    EXPECT_EQ(Lines("Load\n\n  ; note\nDEMO\n100 Tunnel 1"), expected);
    EXPECT_EQ(Lines("Load\r\n\r\n  ; note\r\nDEMO\r\n100 Tunnel 1\r\n"), expected);
    EXPECT_TRUE(Lines("").empty());
}

TEST(LineReader, AnswersEndMarkerPastTheLastLine) {
    std::string bytes = "one\n";
    LineList list = LineList::FromBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), true);
    EXPECT_EQ(list.FirstLine(), "one");
    EXPECT_EQ(list.NextLine(), "~");
    EXPECT_EQ(list.NextLine(), "~");
    EXPECT_EQ(list.FirstLine(), "one");
}

TEST(LineReader, ReadsThroughTheFileLayerAndMissingFileIsFatal) {
    TempDir dir;
    dir.Write("t.txt", "A\nB\n");
    LineList list = LineList::FromFile("t.txt", true);
    EXPECT_EQ(list.FirstLine(), "a");
    EXPECT_EQ(list.NextLine(), "b");
    ExpectFatal([] { LineList::FromFile("absent.txt", true); }, "File not found: absent.txt");
}

TEST(WordSplitter, SplitsOnRunsOfBlanks) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Words("a  b"), (V{"a", "b"}));
    EXPECT_EQ(Words("a b "), (V{"a", "b", ""}));
    EXPECT_EQ(Words("   lead"), (V{"lead"}));
    EXPECT_EQ(Words(""), (V{""}));
    EXPECT_EQ(Words("} }"), (V{"}", "}"}));
    WordList w{String("x")};
    EXPECT_EQ(w.Word(1), "~");
}

TEST(WordSplitter, LimitsWordLengthAndCount) {
    WordList longWord{String(std::string(300, 'w'))};
    EXPECT_EQ(longWord.Word(0).Length(), kMaxWordLength);
    std::string many;
    for (int i = 0; i < 300; ++i) many += "w ";
    EXPECT_EQ(WordList{String(many)}.Count(), kMaxWords);
}

TEST(Conversions, IntegerAndFloatPrefixes) {
    struct Case {
        const char* word;
        int32_t integer;
        float real;
    } cases[] = {
        {"100", 100, 100.0f},      {"  -42x", -42, -42.0f},   {"+7", 7, 7.0f},
        {"~", 0, 0.0f},            {"", 0, 0.0f},             {"abc", 0, 0.0f},
        {"0.24", 0, 0.24f},        {"1e3", 1, 1000.0f},       {"2.5E-1", 2, 0.25f},
        {"3e", 3, 3.0f},           {"-.5", 0, -0.5f},         {".", 0, 0.0f},
        {"\t\r\n12", 12, 12.0f},   {"inf", 0, 0.0f},          {"0x10", 0, 0.0f},
        {"99999999999", INT32_MAX, 99999999999.0f}, {"-99999999999", INT32_MIN, -99999999999.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(DecimalInt(String(c.word)), c.integer);
        EXPECT_FLOAT_EQ(DecimalFloat(String(c.word)), c.real);
    }
}

}  // namespace
