// The packed data library: the directory and reading entries.
#include "resources/library.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "kernel/services.h"

namespace {

struct sLibraryState {
    bool open = false;
    std::string fileName;
    std::vector<sLibraryEntry> entries;
};

sLibraryState g_library;

uint32_t ReadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Size of an open file, or -1 when it cannot be determined (a directory
// opens on Linux but cannot be sized or read).
long FileLength(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    long size = std::ftell(f);
    if (std::fseek(f, 0, SEEK_SET) != 0) return -1;
    return size;
}

bool ReadAt(std::FILE* f, long position, void* destination, size_t count) {
    if (std::fseek(f, position, SEEK_SET) != 0) return false;
    return count == 0 || std::fread(destination, 1, count, f) == count;
}

// Reads the packed size P of the block at `offset` and checks that the
// whole block lies inside a file of `fileSize` bytes. Ends the program if not.
uint32_t ReadBlockSize(std::FILE* f, long fileSize, const char* libraryName,
                       const sLibraryEntry& entry) {
    uint8_t word[4];
    uint64_t end = static_cast<uint64_t>(entry.offset) + 4;
    if (end > static_cast<uint64_t>(fileSize) || !ReadAt(f, entry.offset, word, 4)) {
        std::fclose(f);
        FatalError("Library %s: entry %s has its data offset %u outside the file", libraryName,
                   entry.name.c_str(), entry.offset);
    }
    uint32_t packedSize = ReadLe32(word);
    if (end + packedSize > static_cast<uint64_t>(fileSize)) {
        std::fclose(f);
        FatalError("Library %s: packed block of entry %s (%u bytes at %u) runs past the end of the file",
                   libraryName, entry.name.c_str(), packedSize, entry.offset);
    }
    return packedSize;
}

}  // namespace

void OpenLibrary(const char* fileName, int preloadMode) {
    (void)preloadMode;  // only mode 0 (unpack on demand) exists
    CloseLibrary();

    std::FILE* f = std::fopen(fileName, "rb");
    if (!f) {
        Log("   [DEMOLIB] No libfile %s, using disk files only\n", fileName);
        return;
    }
    long fileSize = FileLength(f);
    if (fileSize < 0) {
        std::fclose(f);
        Log("   [DEMOLIB] Can't read libfile %s, using disk files only\n", fileName);
        return;
    }

    uint8_t header[4];
    if (fileSize < 4 || !ReadAt(f, 0, header, 4)) {
        std::fclose(f);
        FatalError("Library %s: file too short for its header (%ld bytes)", fileName, fileSize);
    }
    int count = static_cast<int16_t>(header[2] | header[3] << 8);
    Log("   [DEMOLIB] Opened libfile: %s\n", fileName);
    if (count < 0) {
        std::fclose(f);
        FatalError("Library %s: negative entry count %d", fileName, count);
    }
    if (count > kLibraryMaxEntries) {
        std::fclose(f);
        FatalError("Library %s: %d entries, at most %d are supported", fileName, count,
                   kLibraryMaxEntries);
    }
    long directoryBytes = static_cast<long>(count) * kLibraryEntryBytes;
    if (fileSize - 4 < directoryBytes) {
        std::fclose(f);
        FatalError("Library %s: file too short for its directory of %d entries (%ld bytes)",
                   fileName, count, fileSize);
    }

    std::vector<uint8_t> directory(static_cast<size_t>(directoryBytes));
    if (!ReadAt(f, fileSize - directoryBytes, directory.data(), directory.size())) {
        std::fclose(f);
        FatalError("Library %s: can't read the directory", fileName);
    }

    std::vector<sLibraryEntry> entries(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const uint8_t* raw = directory.data() + static_cast<size_t>(i) * kLibraryEntryBytes;
        const char* name = reinterpret_cast<const char*>(raw);
        size_t length = strnlen(name, kLibraryNameBytes);
        if (length == kLibraryNameBytes) {
            std::fclose(f);
            FatalError("Library %s: name of entry %d is not zero-terminated", fileName, i);
        }
        sLibraryEntry& entry = entries[static_cast<size_t>(i)];
        entry.name.assign(name, length);
        entry.offset = ReadLe32(raw + kLibraryNameBytes);
        entry.unpackedSize = ReadLe32(raw + kLibraryNameBytes + 4);
        entry.packedSize = ReadBlockSize(f, fileSize, fileName, entry);
        Log("   [DEMOLIB] Found: %s\n", entry.name.c_str());
    }
    std::fclose(f);

    g_library.fileName = fileName;
    g_library.entries = std::move(entries);
    g_library.open = true;
}

void CloseLibrary() {
    g_library.open = false;
    g_library.fileName.clear();
    g_library.entries.clear();
}

bool LibraryIsOpen() { return g_library.open; }

const std::vector<sLibraryEntry>& LibraryEntries() { return g_library.entries; }

int FindLibraryEntry(const char* name) {
    if (!g_library.open || !name) return -1;
    for (size_t i = 0; i < g_library.entries.size(); ++i) {
        if (strcasecmp(g_library.entries[i].name.c_str(), name) == 0) return static_cast<int>(i);
    }
    return -1;
}

std::vector<uint8_t> ReadLibraryEntry(int index) {
    const char* libraryName = g_library.fileName.c_str();
    if (!g_library.open || index < 0 || static_cast<size_t>(index) >= g_library.entries.size())
        FatalError("Library %s: no entry number %d", libraryName, index);
    const sLibraryEntry& entry = g_library.entries[static_cast<size_t>(index)];
    const char* entryName = entry.name.c_str();

    // The file layer keeps sizes in 32-bit signed fields.
    if (entry.unpackedSize > static_cast<uint32_t>(INT32_MAX))
        FatalError("Library %s: entry %s is too large (%u bytes)", libraryName, entryName,
                   entry.unpackedSize);

    std::FILE* f = std::fopen(libraryName, "rb");
    if (!f) FatalError("Library %s: can't open it again to read entry %s", libraryName, entryName);
    long fileSize = FileLength(f);
    if (fileSize < 0) {
        std::fclose(f);
        FatalError("Library %s: can't read entry %s", libraryName, entryName);
    }
    // The file may have changed since the directory was read.
    uint32_t packedSize = ReadBlockSize(f, fileSize, libraryName, entry);
    std::vector<uint8_t> packed(packedSize);
    bool readOk = ReadAt(f, static_cast<long>(entry.offset) + 4, packed.data(), packed.size());
    std::fclose(f);
    if (!readOk) FatalError("Library %s: can't read entry %s", libraryName, entryName);

    std::vector<uint8_t> unpacked(entry.unpackedSize);
    std::string error;
    if (!Unpack(packed, unpacked, &error))
        FatalError("Library %s: entry %s is corrupt: %s", libraryName, entryName, error.c_str());
    return unpacked;
}
