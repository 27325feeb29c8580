// File access through the data library or the disk.
#include "resources/file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "kernel/services.h"
#include "resources/library.h"

namespace {

// The library holds the working directory's files by their bare names, so a
// path into the working directory ("./name", as the texture manager builds
// them from its base path ".") is looked up there as "name".
const char* LibraryName(const char* name) {
    while (name[0] == '.' && name[1] == '/') name += 2;
    return name;
}

}  // namespace

sFileHandle FileOpen(const char* name) {
    Log("open: %s", name);
    if (LibraryIsOpen()) {
        int index = FindLibraryEntry(LibraryName(name));
        if (index >= 0) {
            sFileHandle file;
            file.data = ReadLibraryEntry(index);
            file.size = static_cast<int32_t>(file.data.size());
            file.open = 1;
            file.position = 0;
            file.name = name;
            return file;
        }
    }
    return OpenDosFile(name);
}

sFileHandle OpenDosFile(const char* name) {
    sFileHandle file;
    file.name = name;
    Log("   [DEMOFILES] OpenDosFile: %s", name);
    std::FILE* f = std::fopen(name, "rb");
    if (!f) FatalError("File not found: %s", name);
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    // Directories open on Linux but have no readable size; a file too large
    // for the 32-bit size field cannot be handled either.
    if (size < 0 || size > INT32_MAX || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        FatalError("Can't read file: %s", name);
    }
    file.data.resize(static_cast<size_t>(size));
    size_t got = size ? std::fread(file.data.data(), 1, file.data.size(), f) : 0;
    std::fclose(f);
    if (got != file.data.size()) FatalError("Can't read file: %s", name);
    file.size = static_cast<int32_t>(size);
    file.open = 1;
    file.position = 0;
    return file;
}

int32_t FileRead(sFileHandle& file, void* destination, int32_t count) {
    if (file.open != 1 || count <= 0) return 0;
    int32_t n = std::min(count, file.size - file.position);
    if (n <= 0) return 0;
    std::memcpy(destination, file.data.data() + file.position, static_cast<size_t>(n));
    file.position += n;
    return n;
}

void FileSeek(sFileHandle& file, int32_t position) {
    file.position = std::clamp(position, 0, std::max(file.size, 0));
}

int32_t FileReadLine(sFileHandle& file, char* buffer, size_t capacity) {
    if (capacity == 0) return 0;
    size_t stored = 0;
    int32_t start = file.position;
    while (file.open == 1 && file.position < file.size) {
        char c = static_cast<char>(file.data[static_cast<size_t>(file.position++)]);
        if (stored + 1 < capacity) buffer[stored++] = c;
        if (c == '\n') break;
    }
    buffer[stored] = '\0';
    return file.position - start;
}

void FileClose(sFileHandle& file) {
    Log("close : %s", file.name.c_str());
    file.data.clear();
    file.data.shrink_to_fit();
    file.name.clear();
    file.open = 0;
    file.size = -1;
}
