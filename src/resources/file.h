// File access: every file the program reads is taken whole into memory,
// from the data library when it holds the name, otherwise from the disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct sFileHandle {
    std::vector<uint8_t> data;  // the whole file
    int32_t size = -1;          // byte count; -1 once closed
    int open = 0;               // 1 while open
    int32_t position = 0;       // read position
    std::string name;           // the name it was opened with
};

// Library first (name compared without regard to case; a leading "./" is
// dropped there, since the library holds the working directory's files),
// then the disk.
// A name found in neither ends the program with "File not found: <name>".
sFileHandle FileOpen(const char* name);
// The disk path of FileOpen.
sFileHandle OpenDosFile(const char* name);

// Copies min(count, size - position) bytes and advances; returns the count.
int32_t FileRead(sFileHandle& file, void* destination, int32_t count);
// Sets the absolute read position, clamped to 0..size.
void FileSeek(sFileHandle& file, int32_t position);
// Copies bytes up to and including the next line feed (or to the end of the
// data) into `buffer`, followed by a zero byte, and returns the number of
// bytes consumed. At most capacity - 1 bytes are stored; the rest of an
// over-long line is consumed but dropped.
int32_t FileReadLine(sFileHandle& file, char* buffer, size_t capacity);
void FileClose(sFileHandle& file);
