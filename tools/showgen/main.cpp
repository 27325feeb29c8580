// showgen DIR: makes every file of the bundled show, writes them into DIR
// and packs them into DIR/drift. The same bytes on every run.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/packer.h"
#include "show.h"
#include "show_parts.h"
#include "soundtrack.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: showgen DIR\nWrites the bundled show into DIR and packs it into DIR/drift.\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    auto started = std::chrono::steady_clock::now();
    try {
        std::filesystem::create_directories(dir);
        std::vector<sPackEntry> files;
        for (const sContentPart& part : ContentParts()) {
            std::vector<sPackEntry> made = part.files();
            for (sPackEntry& f : made) files.push_back(std::move(f));
        }

        const sSongLayout& song = SongLayout();
        std::vector<std::string> preload = {"picture.jpg"};
        files.push_back({"script.txt", Bytes(WriteScript(preload, ShowCues(song)))});
        std::fprintf(stderr, "showgen: rendering the soundtrack (%.0f bpm, %d bars)\n", song.bpm, song.TotalBars());
        files.push_back({"halcyon.mp3", EncodeSoundtrackMp3(RenderSoundtrackPcm())});

        for (const sPackEntry& f : files) {
            std::ofstream out(dir / f.name, std::ios::binary);
            out.write(reinterpret_cast<const char*>(f.data.data()), static_cast<std::streamsize>(f.data.size()));
            if (!out) throw std::runtime_error("cannot write " + (dir / f.name).string());
        }
        std::string error;
        if (!WriteLibrary((dir / "drift").string(), files, &error)) throw std::runtime_error(error);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::fprintf(stderr, "showgen: %zu files packed into %s (%ju bytes) in %.1f s\n", files.size(),
                     (dir / "drift").string().c_str(), static_cast<uintmax_t>(std::filesystem::file_size(dir / "drift")),
                     seconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "showgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
