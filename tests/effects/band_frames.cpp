#include "band_frames.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "resources/png_writer.h"

namespace {

// TempDir moves the working directory; keep where the tests started.
const std::filesystem::path g_startDirectory = std::filesystem::current_path();

std::string WriteFramePng(const std::string& name, const uint32_t* frame) {
    const std::filesystem::path path = g_startDirectory / ("golden-" + name + ".png");
    std::string error;
    if (!WritePng(path.string(), frame, 512, 384, &error)) return "(not written: " + error + ")";
    return path.string();
}

}  // namespace

uint64_t FrameHash(const uint32_t* pixels, size_t count) {
    uint64_t hash = 0xCBF29CE484222325ull;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pixels);
    for (size_t i = 0; i < count * 4; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001B3ull;
    }
    return hash;
}

void ExpectFrameHash(const std::string& name, const uint32_t* frame, uint64_t expected) {
    const uint64_t hash = FrameHash(frame, 512 * 384);
    if (std::getenv("HDRIFT_WRITE_GOLDEN")) WriteFramePng(name, frame);
    if (hash != expected) {
        char text[32];
        std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(hash));
        ADD_FAILURE() << name << ": frame hash " << text << " differs; frame written to " << WriteFramePng(name, frame);
    }
}

void WriteFiles(const TempDir& dir, const std::vector<sPackEntry>& files) {
    for (const sPackEntry& f : files) dir.Write(f.name, f.data);
}
