// The library subcommands: pack, list, extract, unpack-all.
#include <strings.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "commands.h"
#include "resources/library.h"
#include "resources/packer.h"

namespace {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Opens LIB; a missing library is an error here, unlike in the show.
bool OpenOrComplain(const char* libraryName) {
    OpenLibrary(libraryName, 0);
    if (LibraryIsOpen()) return true;
    std::fprintf(stderr, "drift-tool: can't open library %s\n", libraryName);
    return false;
}

// Entry names become file names inside the target directory; a name that
// could point anywhere else is refused.
bool IsSafeFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

}  // namespace

int PackCommand(int argc, char** argv) {
    if (argc < 3) return UsageError();
    std::vector<sPackEntry> entries;
    for (int i = 2; i < argc; ++i) {
        sPackEntry entry;
        entry.name = std::filesystem::path(argv[i]).filename().string();
        if (!ReadWholeFile(argv[i], entry.data)) {
            std::fprintf(stderr, "drift-tool: can't read %s\n", argv[i]);
            return 1;
        }
        entries.push_back(std::move(entry));
    }
    std::string error;
    if (!WriteLibrary(argv[1], entries, &error)) {
        std::fprintf(stderr, "drift-tool: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    return 0;
}

int ListCommand(int argc, char** argv) {
    if (argc != 2) return UsageError();
    if (!OpenOrComplain(argv[1])) return 1;
    for (const sLibraryEntry& entry : LibraryEntries())
        std::printf("%s\t%u\t%u\n", entry.name.c_str(), entry.unpackedSize, entry.packedSize);
    return 0;
}

int ExtractCommand(int argc, char** argv) {
    if (argc != 3 && argc != 4) return UsageError();
    if (!OpenOrComplain(argv[1])) return 1;
    int index = FindLibraryEntry(argv[2]);
    if (index < 0) {
        std::fprintf(stderr, "drift-tool: %s has no entry %s\n", argv[1], argv[2]);
        return 1;
    }
    std::vector<uint8_t> bytes = ReadLibraryEntry(index);  // a corrupt entry ends here, status 1
    if (argc == 4) {
        if (!WriteWholeFile(argv[3], bytes)) {
            std::fprintf(stderr, "drift-tool: can't write %s\n", argv[3]);
            return 1;
        }
        return 0;
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) {
        std::fprintf(stderr, "drift-tool: can't write to standard output\n");
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int UnpackAllCommand(int argc, char** argv) {
    if (argc != 3) return UsageError();
    if (!OpenOrComplain(argv[1])) return 1;
    const std::vector<sLibraryEntry>& entries = LibraryEntries();
    for (const sLibraryEntry& entry : entries) {
        if (!IsSafeFileName(entry.name)) {
            std::fprintf(stderr, "drift-tool: refusing entry name '%s'\n", entry.name.c_str());
            return 1;
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(argv[2], ec);
    if (ec) {
        std::fprintf(stderr, "drift-tool: can't create %s\n", argv[2]);
        return 1;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        // Lookups always find the first of two names equal but for case.
        if (FindLibraryEntry(entries[i].name.c_str()) != static_cast<int>(i)) {
            std::fprintf(stderr, "drift-tool: skipping %s, hidden by an earlier entry\n",
                         entries[i].name.c_str());
            continue;
        }
        std::vector<uint8_t> bytes = ReadLibraryEntry(static_cast<int>(i));
        std::string path = (std::filesystem::path(argv[2]) / entries[i].name).string();
        if (!WriteWholeFile(path, bytes)) {
            std::fprintf(stderr, "drift-tool: can't write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
