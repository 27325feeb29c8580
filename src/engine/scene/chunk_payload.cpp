// Bounded reads of chunk payloads.
#include "engine/scene/chunk_payload.h"

#include <bit>
#include <cstdarg>
#include <cstdio>

#include "engine/scene/chunk_trace.h"
#include "kernel/services.h"

cChunkPayload::cChunkPayload(std::span<const uint8_t> file, size_t begin, size_t end, const char* fileName,
                             const char* chunkName, size_t chunkOffset)
    : file_(file),
      position_(begin),
      end_(end),
      fileName_(fileName),
      chunkName_(chunkName),
      chunkOffset_(chunkOffset),
      trace_(ChunkTrace()) {}

void cChunkPayload::Fail(const char* format, ...) const {
    char reason[400];
    va_list args;
    va_start(args, format);
    std::vsnprintf(reason, sizeof reason, format, args);
    va_end(args);
    FatalError("%s: %s at offset %zu: %s", fileName_, chunkName_, chunkOffset_, reason);
}

void cChunkPayload::Need(size_t bytes, const char* what) {
    if (bytes > Remaining())
        Fail("%s needs %zu bytes, the chunk has %zu left", what, bytes, Remaining());
}

uint8_t cChunkPayload::RawByte() {
    Need(1, "a byte");
    return file_[position_++];
}

uint8_t cChunkPayload::Byte() {
    uint8_t v = RawByte();
    if (trace_) std::printf("B: %d\n", v);
    return v;
}

uint16_t cChunkPayload::RawWord() {
    Need(2, "a word");
    uint16_t v = static_cast<uint16_t>(file_[position_] | file_[position_ + 1] << 8);
    position_ += 2;
    return v;
}

float cChunkPayload::RawFloat() {
    Need(4, "a float");
    uint32_t bits = static_cast<uint32_t>(file_[position_]) | static_cast<uint32_t>(file_[position_ + 1]) << 8 |
                    static_cast<uint32_t>(file_[position_ + 2]) << 16 |
                    static_cast<uint32_t>(file_[position_ + 3]) << 24;
    position_ += 4;
    return std::bit_cast<float>(bits);
}

uint16_t cChunkPayload::Word() {
    uint16_t v = RawWord();
    if (trace_) std::printf("W: %d\n", v);
    return v;
}

float cChunkPayload::Float() {
    float v = RawFloat();
    if (trace_) std::printf("F: %f\n", static_cast<double>(v));
    return v;
}

String cChunkPayload::Name() {
    Need(1, "a name");
    size_t length = file_[position_++];
    Need(length, "a name");
    const char* text = reinterpret_cast<const char*>(file_.data() + position_);
    size_t used = 0;
    while (used < length && text[used] != '\0') ++used;
    position_ += length;
    String name(std::string_view(text, used));
    if (trace_) std::printf("S: %s\n", name.CStr());
    return name;
}
