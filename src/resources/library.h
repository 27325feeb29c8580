// The packed data library "drift": a directory of named entries, each stored
// as an LZ-style bit stream that is unpacked on demand.
//
// Layout (little-endian): bytes 0 and 1 unused, bytes 2-3 the entry count N
// (signed 16-bit, at most 512), packed blocks anywhere after the header, and
// the directory as the last N x 140 bytes of the file. A directory entry is a
// 128-byte zero-terminated name, the block's offset, the unpacked size and a
// reserved word. A block is its packed size P (4 bytes) followed by P bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

constexpr int kLibraryMaxEntries = 512;
constexpr int kLibraryEntryBytes = 140;
constexpr int kLibraryNameBytes = 128;

struct sLibraryEntry {
    std::string name;
    uint32_t offset = 0;
    uint32_t unpackedSize = 0;
    uint32_t packedSize = 0;  // P of the entry's block, read when the library is opened
};

// Opens the library and reads its directory. A missing or unreadable file is
// logged and leaves the library closed, so every file comes from the disk. A
// malformed directory ends the program with a message naming the library.
void OpenLibrary(const char* fileName, int preloadMode);
void CloseLibrary();
bool LibraryIsOpen();
const std::vector<sLibraryEntry>& LibraryEntries();

// Index of the first entry whose name equals `name` without regard to ASCII
// case, or -1.
int FindLibraryEntry(const char* name);

// The entry's unpacked bytes. A corrupt block ends the program with a message
// naming the library and the entry.
std::vector<uint8_t> ReadLibraryEntry(int index);

// Decodes one packed stream into `out`, which must be exactly the unpacked
// size. Returns false (with a reason in *error) for a stream that would read
// past its end, write past the output, copy from before the output's start
// (or from offset 0), repeat a long-match offset before one was set, or end
// before filling the output. Never reads or writes out of bounds. Bytes after
// the end code are ignored.
bool Unpack(std::span<const uint8_t> packed, std::span<uint8_t> out, std::string* error);
