// The compressor for the data library's bit-stream format, and a writer for
// whole library files. Unpack (library.h) reads back what PackStream writes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Packs `data` (less than 4 GB: positions are kept in 32 bits) into one
// stream, ending with the end code. Parses near-optimally over the format's
// real code lengths, at one to a few MB/s.
std::vector<uint8_t> PackStream(std::span<const uint8_t> data);

struct sPackEntry {
    std::string name;
    std::vector<uint8_t> data;
};

// Writes a library holding `entries` in the given order: a 4-byte header
// (two zero bytes, the entry count), the packed blocks, then the directory.
// Returns false with a reason in *error for names that are empty, longer
// than 127 bytes or equal without regard to case, for more than 512 entries,
// for entries too large for the 32-bit size fields, and for write failures;
// nothing is left at `path` then.
bool WriteLibrary(const std::string& path, std::span<const sPackEntry> entries,
                  std::string* error);
