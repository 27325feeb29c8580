// The packed data library: directory handling and the bit-stream decoder.
#include "resources/library.h"

#include <bit>
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

// The decoder. The stream interleaves whole bytes with control bits; the
// bits come MSB first from tag bytes that are fetched from the current read
// position whenever the previous tag is used up. Because the next tag's
// position depends on how many bytes were read in between, bits can only be
// taken one at a time.
//
// Bounds are checked once per token: each stream byte read (tags included)
// against the packed end, each match's offset and length against the output
// written so far and the space left, never per copied byte.
bool Unpack(std::span<const uint8_t> packed, std::span<uint8_t> out, std::string* error) {
    const uint8_t* ip = packed.data();
    const uint8_t* const ipEnd = ip + packed.size();
    uint8_t* op = out.data();
    uint8_t* const opBegin = op;
    uint8_t* const opEnd = op + out.size();
    const char* reason = nullptr;

    // The tag's data bits sit at the top with a marker bit below them; when
    // only the marker is left (tag == 0x80000000) the tag is used up.
    constexpr uint32_t kTagEmpty = 0x80000000u;
    uint32_t tag = kTagEmpty;
    size_t lastOffset = 0;  // 0: no long match yet

#define HDRIFT_GETBIT(bit)                                                    \
    do {                                                                      \
        if (tag == kTagEmpty) {                                               \
            if (ip == ipEnd) [[unlikely]] goto readPastEnd;                   \
            tag = static_cast<uint32_t>(*ip++) << 24 | 0x00800000u;           \
        }                                                                     \
        (bit) = tag >> 31;                                                    \
        tag <<= 1;                                                            \
    } while (0)

    // value = 1; while a 1 bit comes, value = 2 * value + bit; then one more
    // data bit. The bits come in pairs (more, data), taken two at a time
    // while the tag holds at least two (some bit below the top two is set).
    // A value past 2^30 cannot be a size or offset of any output this
    // decoder is given, and would overflow the arithmetic below.
#define HDRIFT_GETGAMMA(value)                                                \
    do {                                                                      \
        (value) = 1;                                                          \
        for (;;) {                                                            \
            uint32_t pair_;                                                   \
            if (tag & 0x3FFFFFFFu) {                                          \
                pair_ = tag >> 30;                                            \
                tag <<= 2;                                                    \
            } else {                                                          \
                uint32_t more_, bit_;                                         \
                HDRIFT_GETBIT(more_);                                         \
                HDRIFT_GETBIT(bit_);                                          \
                pair_ = more_ * 2 + bit_;                                     \
            }                                                                 \
            (value) = (value) * 2 + (pair_ & 1);                              \
            if (!(pair_ & 2)) break;                                          \
            if ((value) >= (1u << 30)) [[unlikely]] goto gammaTooLarge;       \
        }                                                                     \
    } while (0)

    for (;;) {
        uint32_t bit;
        size_t offset, length;
        if (tag == kTagEmpty) {
            if (ip == ipEnd) [[unlikely]] goto readPastEnd;
            tag = static_cast<uint32_t>(*ip++) << 24 | 0x00800000u;
        }
        if (static_cast<int32_t>(tag) >= 0) {
            // A run of 0 bits is a run of literals, one stream byte each; the
            // marker bit stops the count at the end of the tag. The next
            // tag, if needed, follows the last of these literals.
            size_t run = static_cast<size_t>(std::countl_zero(tag));
            if (run > static_cast<size_t>(ipEnd - ip)) [[unlikely]] goto readPastEnd;
            if (run > static_cast<size_t>(opEnd - op)) [[unlikely]] goto writePastEnd;
            if (ipEnd - ip >= 8 && opEnd - op >= 8) {
                std::memcpy(op, ip, 8);
            } else {
                for (size_t i = 0; i < run; ++i) op[i] = ip[i];
            }
            ip += run;
            op += run;
            tag <<= run;
            continue;
        }
        tag <<= 1;
        HDRIFT_GETBIT(bit);
        if (!bit) {
            uint32_t g, l;
            HDRIFT_GETGAMMA(g);
            if (g == 2) {
                HDRIFT_GETGAMMA(l);
                if (lastOffset == 0) [[unlikely]] goto repeatBeforeSet;
                offset = lastOffset;
                length = l;
            } else {
                if (ip == ipEnd) [[unlikely]] goto readPastEnd;
                offset = static_cast<size_t>(g - 3) * 256 + *ip++;
                HDRIFT_GETGAMMA(l);
                length = l;
                if (offset <= 127) length += 2;
                // Offset 0 would copy bytes not yet written.
                if (offset == 0) [[unlikely]] goto zeroOffset;
                lastOffset = offset;
            }
        } else {
            HDRIFT_GETBIT(bit);
            if (!bit) {
                if (ip == ipEnd) [[unlikely]] goto readPastEnd;
                uint32_t t = *ip++;
                offset = t >> 1;
                if (offset == 0) break;  // end of stream
                length = 2 + (t & 1);
            } else {
                uint32_t d = 0;
                if (tag & 0x0FFFFFFFu) {  // four bits left in this tag
                    d = tag >> 28;
                    tag <<= 4;
                } else {
                    for (int i = 0; i < 4; ++i) {
                        HDRIFT_GETBIT(bit);
                        d = d * 2 + bit;
                    }
                }
                if (op == opEnd) [[unlikely]] goto writePastEnd;
                if (d == 0) {
                    *op++ = 0;
                } else {
                    if (d > static_cast<size_t>(op - opBegin)) [[unlikely]] goto beforeStart;
                    *op = op[-static_cast<ptrdiff_t>(d)];
                    ++op;
                }
                continue;
            }
        }

        // Copy `length` bytes from `offset` back; source and destination may
        // overlap, in which case the copy repeats the last `offset` bytes.
        if (offset > static_cast<size_t>(op - opBegin)) [[unlikely]] goto beforeStart;
        if (length > static_cast<size_t>(opEnd - op)) [[unlikely]] goto writePastEnd;
        {
            const uint8_t* src = op - offset;
            uint8_t* const target = op + length;
            if (offset >= 16 && opEnd - target >= 16) {
                // 16-byte steps never read a byte this loop has not written
                // yet (offset >= 16) and may run up to 15 bytes past the
                // target, which the next tokens overwrite.
                do {
                    std::memcpy(op, src, 16);
                    op += 16;
                    src += 16;
                } while (op < target);
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
#undef HDRIFT_GETBIT

    if (op != opEnd) {
        reason = "stream ends before the output is full";
        goto fail;
    }
    return true;

readPastEnd:
    reason = "reads past the end of the packed data";
    goto fail;
writePastEnd:
    reason = "writes past the end of the output";
    goto fail;
beforeStart:
    reason = "copies from before the start of the output";
    goto fail;
zeroOffset:
    reason = "match with offset 0";
    goto fail;
repeatBeforeSet:
    reason = "repeats the last offset before any match set it";
    goto fail;
gammaTooLarge:
    reason = "number too large";
fail:
    if (error) *error = reason;
    return false;
}
