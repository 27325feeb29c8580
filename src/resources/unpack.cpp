// The decoder of the library's packed streams.
//
// The stream interleaves whole bytes (literals, offset bytes) with control
// bits taken MSB first from tag bytes; a new tag is fetched from the current
// read position whenever the previous one is used up. Where the next tag lies
// depends on how many bytes were read in between, so bits cannot be
// prefetched past the current tag.
//
// Speed comes from taking as much as possible out of the current tag at once
// (a run of literals, the three prefix bits, all gamma pairs inside the tag)
// and from a main loop without bounds checks on reading: it runs only while
// more than one token's worth of stream is left, and a checked loop does the
// rest. Output bounds are checked once per token, never per copied byte.
#include <array>
#include <bit>
#include <cstring>

#include "resources/library.h"

namespace {

// The tag's unread bits sit at the top with a marker bit below them; when
// only the marker is left the tag is used up.
constexpr uint32_t kTagEmpty = 0x80000000u;

uint32_t NewTag(uint8_t byte) { return static_cast<uint32_t>(byte) << 24 | 0x00800000u; }

// One look-up's worth of a gamma number: the (more, data) bit pairs that lie
// wholly inside a tag, indexed by the tag's top 9 bits (its unread bits, the
// marker bit, zeros). Each entry packs the number of pairs taken (bits 0-2),
// their data bits, first one highest (bits 3-6), and bit 7 set when a pair
// with more = 0 ended the number.
constexpr std::array<uint8_t, 512> MakeGammaSteps() {
    std::array<uint8_t, 512> steps{};
    for (uint32_t index = 1; index < 512; ++index) {
        int unread = 8;  // the marker is the lowest set bit
        while (!((index >> (8 - unread)) & 1)) --unread;
        uint32_t pairs = 0, bits = 0, done = 0;
        for (int at = 0; at + 2 <= unread && !done; at += 2) {
            uint32_t more = (index >> (8 - at)) & 1;
            bits = bits << 1 | ((index >> (7 - at)) & 1);
            ++pairs;
            done = !more;
        }
        steps[index] = static_cast<uint8_t>(pairs | bits << 3 | done << 7);
    }
    return steps;
}

constexpr std::array<uint8_t, 512> kGammaSteps = MakeGammaSteps();

// A gamma number stops being read once it reaches this: no size or offset
// of an output this decoder can be given is that large, and it bounds the
// bytes a single token can read.
constexpr uint64_t kGammaLimit = uint64_t{1} << 30;

// Most stream bytes one token can read: a tag for the prefix, two gamma
// numbers of at most 31 bit pairs (at most 9 tags each), the offset byte;
// or a run of at most 8 literals. The unchecked loop keeps this much (and
// its 8-byte literal copies) inside the stream.
constexpr ptrdiff_t kTokenBytesMax = 32;

const char* const kReadPastEnd = "reads past the end of the packed data";
const char* const kWritePastEnd = "writes past the end of the output";
const char* const kBeforeStart = "copies from before the start of the output";
const char* const kZeroOffset = "match with offset 0";
const char* const kRepeatBeforeSet = "repeats the last offset before any match set it";
const char* const kTooLarge = "number too large";

struct sUnpackState {
    const uint8_t* ip;
    const uint8_t* ipEnd;
    uint8_t* op;
    uint8_t* opBegin;
    uint8_t* opEnd;
    uint32_t tag;
    size_t lastOffset;  // 0 until a long match sets it
    const char* failure;
};

enum class eProgress { kEnded, kNearStreamEnd, kFailed };

// Decodes tokens until the end code or a fault; with kChecked false, also
// stops (before a token) once fewer than kTokenBytesMax stream bytes remain.
template <bool kChecked>
eProgress DecodeTokens(sUnpackState& state) {
    const uint8_t* ip = state.ip;
    const uint8_t* const ipEnd = state.ipEnd;
    uint8_t* op = state.op;
    uint8_t* const opBegin = state.opBegin;
    uint8_t* const opEnd = state.opEnd;
    uint32_t tag = state.tag;
    size_t lastOffset = state.lastOffset;
    eProgress progress = eProgress::kFailed;
    const char* failure = nullptr;

#define HDRIFT_FAIL(reason)                                                   \
    do {                                                                      \
        failure = (reason);                                                   \
        goto failed;                                                          \
    } while (0)

    // Unchecked, the refill reads the next byte whether it is needed or not
    // (the margin keeps it inside the stream) and picks with a conditional
    // move: which bits need a new tag is unpredictable, a branch would often
    // guess wrong.
#define HDRIFT_REFILL()                                                       \
    do {                                                                      \
        if constexpr (kChecked) {                                             \
            if (tag == kTagEmpty) {                                           \
                if (ip == ipEnd) HDRIFT_FAIL(kReadPastEnd);                            \
                tag = NewTag(*ip++);                                          \
            }                                                                 \
        } else {                                                              \
            const bool empty_ = tag == kTagEmpty;                             \
            const uint32_t fresh_ = NewTag(*ip);                              \
            tag = empty_ ? fresh_ : tag;                                      \
            ip += empty_;                                                     \
        }                                                                     \
    } while (0)

#define HDRIFT_GETBIT(bit)                                                    \
    do {                                                                      \
        HDRIFT_REFILL();                                                      \
        (bit) = tag >> 31;                                                    \
        tag <<= 1;                                                            \
    } while (0)

#define HDRIFT_READBYTE(byte)                                                 \
    do {                                                                      \
        if constexpr (kChecked) {                                             \
            if (ip == ipEnd) HDRIFT_FAIL(kReadPastEnd);                                \
        }                                                                     \
        (byte) = *ip++;                                                       \
    } while (0)

    // value = 1; while a 1 bit comes, value = 2 * value + bit; then one more
    // data bit. The pairs inside the current tag take one look-up; a pair
    // split between two tags is read bit by bit.
#define HDRIFT_GETGAMMA(value)                                                \
    do {                                                                      \
        (value) = 1;                                                          \
        for (;;) {                                                            \
            HDRIFT_REFILL();                                                  \
            const uint32_t step_ = kGammaSteps[tag >> 23];                    \
            const uint32_t pairs_ = step_ & 7;                                \
            (value) = (value) << pairs_ | ((step_ >> 3) & 15);                \
            tag <<= 2 * pairs_;                                               \
            if (step_ & 0x80) break;                                          \
            if ((value) >= kGammaLimit) HDRIFT_FAIL(kTooLarge);                   \
            if (tag != kTagEmpty) {                                           \
                uint32_t more_ = tag >> 31, bit_;                             \
                tag <<= 1;                                                    \
                HDRIFT_GETBIT(bit_);                                          \
                (value) = (value) * 2 + bit_;                                 \
                if (!more_) break;                                            \
            }                                                                 \
        }                                                                     \
    } while (0)

    for (;;) {
        if constexpr (!kChecked) {
            if (ipEnd - ip < kTokenBytesMax) {
                progress = eProgress::kNearStreamEnd;
                break;
            }
        }
        size_t offset, length;
        HDRIFT_REFILL();
        if (static_cast<int32_t>(tag) >= 0) {
            // A run of 0 bits is a run of literals, one stream byte each; the
            // marker stops the count at the end of the tag. The next tag, if
            // needed, follows the last of these literals.
            const size_t run = static_cast<size_t>(std::countl_zero(tag));
            if constexpr (kChecked) {
                if (run > static_cast<size_t>(ipEnd - ip)) HDRIFT_FAIL(kReadPastEnd);
            }
            if (run > static_cast<size_t>(opEnd - op)) HDRIFT_FAIL(kWritePastEnd);
            if (!kChecked && opEnd - op >= 8) {
                std::memcpy(op, ip, 8);
            } else {
                for (size_t i = 0; i < run; ++i) op[i] = ip[i];
            }
            ip += run;
            op += run;
            tag <<= run;
            continue;
        }

        // After the 1: 0 long match or repeat, 10 short match, 11 near byte.
        uint32_t code;
        if (tag & 0x1FFFFFFFu) {  // the three bits are in this tag
            code = tag >> 29;
            tag <<= code >= 6 ? 3 : 2;
        } else {
            uint32_t bit;
            tag <<= 1;
            HDRIFT_GETBIT(bit);
            code = 4 + 2 * bit;
            if (bit) {
                HDRIFT_GETBIT(bit);
                code += bit;
            }
        }

        if (code < 6) {
            uint64_t g, l;
            HDRIFT_GETGAMMA(g);
            if (g == 2) {
                HDRIFT_GETGAMMA(l);
                if (lastOffset == 0) HDRIFT_FAIL(kRepeatBeforeSet);
                offset = lastOffset;
                length = l;
            } else {
                uint32_t low;
                HDRIFT_READBYTE(low);
                offset = static_cast<size_t>(g - 3) * 256 + low;
                HDRIFT_GETGAMMA(l);
                length = l + (offset <= 127 ? 2 : 0);
                // Offset 0 would copy bytes not written yet.
                if (offset == 0) HDRIFT_FAIL(kZeroOffset);
                lastOffset = offset;
            }
        } else if (code == 6) {
            uint32_t t;
            HDRIFT_READBYTE(t);
            offset = t >> 1;
            if (offset == 0) {
                progress = eProgress::kEnded;
                break;
            }
            length = 2 + (t & 1);
            if (offset <= static_cast<size_t>(op - opBegin) && opEnd - op >= 3) {
                // Three single-byte steps in order copy an overlapping source
                // right; a third byte beyond a 2-byte match is overwritten by
                // the next token.
                const uint8_t* src = op - offset;
                op[0] = src[0];
                op[1] = src[1];
                op[2] = src[2];
                op += length;
                continue;
            }
        } else {
            uint32_t d;
            if (tag & 0x0FFFFFFFu) {  // the four bits are in this tag
                d = tag >> 28;
                tag <<= 4;
            } else {
                d = 0;
                for (int i = 0; i < 4; ++i) {
                    uint32_t bit;
                    HDRIFT_GETBIT(bit);
                    d = d * 2 + bit;
                }
            }
            if (op == opEnd) HDRIFT_FAIL(kWritePastEnd);
            if (d > static_cast<size_t>(op - opBegin)) HDRIFT_FAIL(kBeforeStart);
            // D = 0 is a zero byte; the output is not read for it.
            static const uint8_t kZero = 0;
            const uint8_t* src = d ? op - d : &kZero;
            *op++ = *src;
            continue;
        }

        // Copy `length` bytes from `offset` back; they may overlap the
        // bytes being written, which then repeat with period `offset`.
        if (offset > static_cast<size_t>(op - opBegin)) HDRIFT_FAIL(kBeforeStart);
        if (length > static_cast<size_t>(opEnd - op)) HDRIFT_FAIL(kWritePastEnd);
        {
            const uint8_t* src = op - offset;
            uint8_t* const target = op + length;
            if (offset >= 16 && opEnd - target >= 32) {
                // Steps of 16 never read a byte this copy has not written
                // yet (offset >= 16). The first 32 bytes go unconditionally,
                // which covers most matches without a loop; bytes past the
                // target are overwritten by the next tokens.
                std::memcpy(op, src, 16);
                std::memcpy(op + 16, src + 16, 16);
                for (op += 32, src += 32; op < target; op += 16, src += 16) std::memcpy(op, src, 16);
            } else if (offset == 1) {
                std::memset(op, op[-1], length);
            } else if (offset >= length) {
                std::memcpy(op, src, length);
            } else {
                while (op < target) *op++ = *src++;
            }
            op = target;
        }
    }
#undef HDRIFT_GETGAMMA
#undef HDRIFT_READBYTE
#undef HDRIFT_GETBIT
#undef HDRIFT_REFILL
#undef HDRIFT_FAIL

    if (false) {
    failed:
        progress = eProgress::kFailed;
    }
    state.ip = ip;
    state.op = op;
    state.tag = tag;
    state.lastOffset = lastOffset;
    state.failure = failure;
    return progress;
}

}  // namespace

bool Unpack(std::span<const uint8_t> packed, std::span<uint8_t> out, std::string* error) {
    sUnpackState state{packed.data(), packed.data() + packed.size(), out.data(), out.data(),
                       out.data() + out.size(), kTagEmpty, 0, nullptr};
    eProgress progress = DecodeTokens<false>(state);
    if (progress == eProgress::kNearStreamEnd) progress = DecodeTokens<true>(state);
    if (progress == eProgress::kEnded && state.op != state.opEnd)
        state.failure = "stream ends before the output is full";
    if (state.failure) {
        if (error) *error = state.failure;
        return false;
    }
    return true;
}
