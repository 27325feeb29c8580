// A value string of 8-bit characters with the few operations the text
// parsers use. Reading at or past the end yields the character 0, so parsers
// can look ahead without bounds checks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class String {
public:
    String() = default;
    String(const char* text) : text_(text ? text : "") {}  // NOLINT: implicit on purpose
    String(std::string text) : text_(std::move(text)) {}   // NOLINT
    String(std::string_view text) : text_(text) {}          // NOLINT

    size_t Length() const { return text_.size(); }
    bool Empty() const { return text_.empty(); }
    char operator[](size_t index) const { return index < text_.size() ? text_[index] : '\0'; }

    bool operator==(const String& other) const { return text_ == other.text_; }
    bool operator==(const char* other) const { return text_ == (other ? other : ""); }

    // A copy with A-Z turned into a-z; every other byte unchanged.
    String Lower() const;
    // Up to `length` characters from `start`; empty when start is past the end.
    String Substring(size_t start, size_t length) const;
    String operator+(const char* tail) const { return String(text_ + (tail ? tail : "")); }

    const char* CStr() const { return text_.c_str(); }
    const std::string& Str() const { return text_; }

private:
    std::string text_;
};

// Lower-cases A-Z only, leaving bytes above 0x7F alone whatever the locale.
inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
