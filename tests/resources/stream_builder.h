// Test helpers for the library's packed stream: a builder for hand-made
// streams, code by code, and a plain reference decoder that follows the
// format one bit and one byte at a time, to check the fast decoder against.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class StreamBuilder {
public:
    StreamBuilder& Literal(uint8_t byte) {
        Bit(0);
        Byte(byte);
        return *this;
    }
    StreamBuilder& Literals(const std::string& text) {
        for (char c : text) Literal(static_cast<uint8_t>(c));
        return *this;
    }
    // `codedLength` is the number as stored (the decoder adds 2 for offsets <= 127).
    StreamBuilder& LongMatch(uint32_t offset, uint32_t codedLength) {
        Bit(1);
        Bit(0);
        Gamma(offset / 256 + 3);
        Byte(static_cast<uint8_t>(offset % 256));
        Gamma(codedLength);
        return *this;
    }
    StreamBuilder& Repeat(uint32_t length) {
        Bit(1);
        Bit(0);
        Gamma(2);
        Gamma(length);
        return *this;
    }
    StreamBuilder& ShortMatch(uint32_t offset, uint32_t length) {
        return ShortRaw(static_cast<uint8_t>(offset << 1 | (length - 2)));
    }
    StreamBuilder& ShortRaw(uint8_t t) {
        Bit(1);
        Bit(1);
        Bit(0);
        Byte(t);
        return *this;
    }
    StreamBuilder& NearByte(uint32_t d) {
        Bit(1);
        Bit(1);
        Bit(1);
        for (int i = 3; i >= 0; --i) Bit((d >> i) & 1);
        return *this;
    }
    StreamBuilder& End() { return ShortRaw(0); }

    void Bit(uint32_t bit) {
        if (bitsLeft_ == 0) {
            tagAt_ = bytes_.size();
            bytes_.push_back(0);
            bitsLeft_ = 8;
        }
        --bitsLeft_;
        if (bit) bytes_[tagAt_] |= static_cast<uint8_t>(1u << bitsLeft_);
    }
    void Byte(uint8_t byte) { bytes_.push_back(byte); }
    // Gamma code of value >= 2: for each bit below the leading one, a
    // "more" bit (1 except before the last) and the bit itself.
    void Gamma(uint64_t value) {
        int top = 63;
        while (!((value >> top) & 1)) --top;
        for (int i = top - 1; i >= 0; --i) {
            Bit(i > 0 ? 1 : 0);
            Bit((value >> i) & 1);
        }
    }

    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    size_t tagAt_ = 0;
    int bitsLeft_ = 0;
};

// The format read literally. Returns the output, or nothing for any stream
// that breaks a rule (reads past its end, writes past `size`, copies from
// before the start or from offset 0, repeats before a long match, ends early).
// `codes`, if given, receives one letter per code read: L literal, M long
// match, R repeat, S short match, N near byte.
inline std::optional<std::vector<uint8_t>> ReferenceUnpack(const std::vector<uint8_t>& packed,
                                                           size_t size,
                                                           std::string* codes = nullptr) {
    auto note = [&](char code) {
        if (codes) *codes += code;
    };
    std::vector<uint8_t> out;
    size_t ip = 0;
    uint32_t tag = 0;
    int bitsLeft = 0;
    uint64_t lastOffset = 0;
    bool bad = false;
    auto byte = [&]() -> uint32_t {
        if (ip >= packed.size()) {
            bad = true;
            return 0;
        }
        return packed[ip++];
    };
    auto bit = [&]() -> uint32_t {
        if (bitsLeft == 0) {
            tag = byte();
            bitsLeft = 8;
        }
        --bitsLeft;
        return (tag >> bitsLeft) & 1;
    };
    auto gamma = [&]() -> uint64_t {
        uint64_t value = 1;
        while (!bad && bit()) {
            value = value * 2 + bit();
            if (value > (uint64_t{1} << 40)) bad = true;
        }
        return value * 2 + bit();
    };
    auto copy = [&](uint64_t offset, uint64_t length) {
        if (offset == 0 || offset > out.size() || length > size - out.size()) {
            bad = true;
            return;
        }
        for (uint64_t i = 0; i < length; ++i) out.push_back(out[out.size() - offset]);
    };
    while (!bad) {
        if (!bit()) {
            uint8_t b = static_cast<uint8_t>(byte());
            if (bad || out.size() == size) return std::nullopt;
            note('L');
            out.push_back(b);
        } else if (!bit()) {
            uint64_t g = gamma();
            if (bad) break;
            if (g == 2) {
                uint64_t length = gamma();
                if (bad || lastOffset == 0) return std::nullopt;
                note('R');
                copy(lastOffset, length);
            } else {
                uint64_t offset = (g - 3) * 256 + byte();
                uint64_t length = gamma();
                if (offset <= 127) length += 2;
                lastOffset = offset;
                note('M');
                if (!bad) copy(offset, length);
            }
        } else if (!bit()) {
            uint32_t t = byte();
            if (bad) break;
            if (t >> 1 == 0) return out.size() == size ? std::optional(out) : std::nullopt;
            note('S');
            copy(t >> 1, 2 + (t & 1));
        } else {
            uint32_t d = 0;
            for (int i = 0; i < 4; ++i) d = d * 2 + bit();
            if (bad || out.size() == size) return std::nullopt;
            note('N');
            if (d == 0) {
                out.push_back(0);
            } else {
                if (d > out.size()) return std::nullopt;
                out.push_back(out[out.size() - d]);
            }
        }
    }
    return std::nullopt;
}
