// Line reader, word splitter and number conversions.
#include "support/text.h"

#include <cstdlib>
#include <limits>
#include <string>

#include "resources/file.h"

namespace {

bool IsLeadingSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool CleanLine(std::string_view raw, bool lowerCase, String* out) {
    // The raw line is a C string in a fixed buffer: a zero byte ends it and
    // over-long lines are cut.
    raw = raw.substr(0, raw.find('\0'));
    std::string line(raw.substr(0, kMaxRawLine));

    // A closing brace is widened to "} }" so that a lone "}" still splits
    // into two words; this overwrites the next two characters whatever they
    // are (usually the line end).
    if (!line.empty() && line[0] == '}') {
        if (line.size() < 3) line.resize(3);
        line[1] = ' ';
        line[2] = '}';
    }
    if (lowerCase)
        for (char& c : line) c = LowerAscii(c);
    std::erase(line, '"');
    line.erase(0, line.find_first_not_of(" \t") == std::string::npos ? line.size()
                                                                      : line.find_first_not_of(" \t"));
    for (char& c : line)
        if (c == '\t') c = ' ';

    if (line.empty() || line[0] == ';' || static_cast<unsigned char>(line[0]) < 0x20) return false;

    size_t comment = line.find(';');
    if (comment != std::string::npos) {
        line.resize(comment);
        while (!line.empty() && (line.back() == ' ' || line.back() == ';')) line.pop_back();
    }
    size_t lineEnd = line.find_first_of("\r\n");
    if (lineEnd != std::string::npos) line.resize(lineEnd);
    if (line.empty()) return false;
    *out = String(std::move(line));
    return true;
}

LineList LineList::FromBytes(std::span<const uint8_t> bytes, bool lowerCase) {
    LineList list;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = start;
        while (end < bytes.size() && bytes[end] != '\n') ++end;
        if (end < bytes.size()) ++end;  // the line feed belongs to the raw line
        std::string_view raw(reinterpret_cast<const char*>(bytes.data()) + start, end - start);
        String cleaned;
        if (CleanLine(raw, lowerCase, &cleaned)) list.lines_.push_back(std::move(cleaned));
        start = end;
    }
    return list;
}

LineList LineList::FromFile(const char* fileName, bool lowerCase) {
    sFileHandle file = FileOpen(fileName);
    LineList list = FromBytes(file.data, lowerCase);
    FileClose(file);
    return list;
}

String LineList::FirstLine() {
    cursor_ = 0;
    return NextLine();
}

String LineList::NextLine() {
    if (cursor_ >= lines_.size()) return String(kEndMarker);
    return lines_[cursor_++];
}

WordList::WordList(const String& line) {
    const std::string& text = line.Str();
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    std::string word;
    for (;; ++i) {
        if (i == text.size() || text[i] == ' ') {
            if (words_.size() < kMaxWords) words_.emplace_back(word.substr(0, kMaxWordLength));
            word.clear();
            if (i == text.size()) break;
            while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
        } else {
            word += text[i];
        }
    }
}

String WordList::Word(size_t index) const {
    return index < words_.size() ? words_[index] : String(kEndMarker);
}

int32_t DecimalInt(const String& word) {
    size_t i = 0;
    while (IsLeadingSpace(word[i])) ++i;
    bool negative = false;
    if (word[i] == '+' || word[i] == '-') negative = word[i++] == '-';
    int64_t value = 0;
    for (; IsDigit(word[i]); ++i) {
        value = value * 10 + (word[i] - '0');
        if (value > (int64_t{1} << 32)) value = int64_t{1} << 32;  // keeps saturating below
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

float DecimalFloat(const String& word) {
    // Find the longest prefix of the accepted form, then let strtod convert
    // exactly that prefix (so "inf", "nan" and hex forms are never accepted).
    size_t i = 0;
    while (IsLeadingSpace(word[i])) ++i;
    size_t start = i;
    if (word[i] == '+' || word[i] == '-') ++i;
    size_t digits = 0;
    for (; IsDigit(word[i]); ++i) ++digits;
    if (word[i] == '.') {
        ++i;
        for (; IsDigit(word[i]); ++i) ++digits;
    }
    if (digits == 0) return 0.0f;
    if (word[i] == 'e' || word[i] == 'E') {
        size_t j = i + 1;
        if (word[j] == '+' || word[j] == '-') ++j;
        if (IsDigit(word[j])) {
            while (IsDigit(word[j])) ++j;
            i = j;
        }
    }
    std::string prefix = word.Str().substr(start, i - start);
    return static_cast<float>(std::strtod(prefix.c_str(), nullptr));
}
