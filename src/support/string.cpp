#include "support/string.h"

String String::Lower() const {
    std::string lower = text_;
    for (char& c : lower) c = LowerAscii(c);
    return String(std::move(lower));
}

String String::Substring(size_t start, size_t length) const {
    if (start >= text_.size()) return String();
    return String(text_.substr(start, length));
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}
