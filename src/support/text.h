// The text-file readers every parser shares: a line reader that cleans and
// lower-cases a file into non-empty lines, a word splitter, and the two
// number conversions applied to words. Both readers answer "~" past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "support/string.h"

inline const char* const kEndMarker = "~";

constexpr size_t kMaxRawLine = 254;  // characters kept of a raw line before its line feed
constexpr size_t kMaxWordLength = 255;
constexpr size_t kMaxWords = 255;

// Cleans one raw line (the bytes before and including its line feed).
// Returns false when the line is dropped.
bool CleanLine(std::string_view raw, bool lowerCase, String* out);

class LineList {
public:
    // Reads the file through the file layer; a missing file is fatal there.
    static LineList FromFile(const char* fileName, bool lowerCase);
    static LineList FromBytes(std::span<const uint8_t> bytes, bool lowerCase);

    String FirstLine();
    String NextLine();
    size_t Count() const { return lines_.size(); }

private:
    std::vector<String> lines_;
    size_t cursor_ = 0;
};

class WordList {
public:
    explicit WordList(const String& line);
    size_t Count() const { return words_.size(); }
    String Word(size_t index) const;

private:
    std::vector<String> words_;
};

// Leading blanks, tabs, CR and LF skipped, optional sign, decimal digits up
// to the first non-digit; no digits gives 0. Values beyond 32 bits saturate.
int32_t DecimalInt(const String& word);
// Same prefix rules for sign, digits, fraction and exponent; no digits gives 0.
float DecimalFloat(const String& word);
