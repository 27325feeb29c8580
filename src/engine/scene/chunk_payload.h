// A bounded reader over one chunk's payload. Every read checks that it stays
// inside the chunk; one that would not ends the program with a message
// naming the file, the chunk and its offset. With the chunk trace on, the
// single-value reads print what they read ("F: %f", "W: %d", "B: %d",
// "S: %s"); list readers switch the trace off with a TraceOff guard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "support/string.h"

class cChunkPayload {
public:
    cChunkPayload(std::span<const uint8_t> file, size_t begin, size_t end, const char* fileName,
                  const char* chunkName, size_t chunkOffset);

    uint8_t Byte();
    uint16_t Word();
    float Float();
    // A length byte and that many bytes; the text ends at the first zero
    // byte inside it, if any.
    String Name();
    // Untraced reads for lists.
    uint8_t RawByte();
    uint16_t RawWord();
    float RawFloat();

    size_t Remaining() const { return end_ - position_; }
    // Ends the program unless `bytes` more can be read.
    void Need(size_t bytes, const char* what);
    // Ends the program with "<file>: <chunk> at offset <n>: <reason>".
    [[noreturn]] void Fail(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    // Switches tracing off for a list reader's scope.
    class TraceOff {
    public:
        explicit TraceOff(cChunkPayload& p) : payload_(p), saved_(p.trace_) { p.trace_ = false; }
        ~TraceOff() { payload_.trace_ = saved_; }

    private:
        cChunkPayload& payload_;
        bool saved_;
    };

private:
    std::span<const uint8_t> file_;
    size_t position_;
    size_t end_;
    const char* fileName_;
    const char* chunkName_;
    size_t chunkOffset_;
    bool trace_;
};
