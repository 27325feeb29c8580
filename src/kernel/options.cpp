// Command-line parsing.
#include "kernel/options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool ParseCount(const char* text, int64_t min, int64_t max, int64_t* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max) return false;
    *out = v;
    return true;
}

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

}  // namespace

const char* UsageText() {
    return "usage: hdrift [options]\n"
           "Plays the show from the data library \"drift\" (or loose files) in the\n"
           "working directory.\n"
           "  --windowed, --fullscreen   answer the fullscreen question without asking\n"
           "  --data DIR                 look for the show's files in DIR\n"
           "  --headless                 no window, no question, no audio device\n"
           "  --mute                     no audio device; the clock runs the same\n"
           "  --scale stretch|fit|integer  how the frame fills the window and the screen\n"
           "                             (default: stretch in a window, fit in fullscreen)\n"
           "  --no-vsync                 do not wait for the display's vertical sync\n"
           "  --fixed-fps N              deterministic clock at N frames per second\n"
           "  --capture PATH             write the show's frames: PATH a directory (PNG files)\n"
           "                             or a .mp4/.mkv/.webm video with the soundtrack\n"
           "                             (implies --fixed-fps 60 unless given)\n"
           "  --frames N                 stop after N frames of the show\n"
           "  --until MS                 stop when the music reaches MS milliseconds\n"
           "  --log PATH                 at exit write the log to PATH (\"-\": standard error)\n"
           "  --help, --version\n";
}

const char* VersionText() { return "hdrift 0.1"; }

bool CaptureIsVideo(const std::string& path) {
    return EndsWith(path, ".mp4") || EndsWith(path, ".mkv") || EndsWith(path, ".webm");
}

bool ParseOptions(int argc, char** argv, sOptions* o, std::string* error) {
    *o = sOptions{};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        // Options that take a value read the next argument.
        auto value = [&](const char** out) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        int64_t n = 0;
        if (arg == "--windowed") {
            o->screen = ScreenChoice::Windowed;
        } else if (arg == "--fullscreen") {
            o->screen = ScreenChoice::Fullscreen;
        } else if (arg == "--headless") {
            o->headless = true;
        } else if (arg == "--mute") {
            o->mute = true;
        } else if (arg == "--no-vsync") {
            o->vsync = false;
        } else if (arg == "--help" || arg == "-h") {
            o->help = true;
        } else if (arg == "--version") {
            o->version = true;
        } else if (arg == "--data") {
            if (!value(&v)) return false;
            o->dataDir = v;
        } else if (arg == "--log") {
            if (!value(&v)) return false;
            o->logPath = v;
        } else if (arg == "--capture") {
            if (!value(&v)) return false;
            o->capturePath = v;
        } else if (arg == "--scale") {
            if (!value(&v)) return false;
            std::string s = v;
            if (s == "stretch") o->scale = ScaleMode::Stretch;
            else if (s == "fit") o->scale = ScaleMode::Fit;
            else if (s == "integer") o->scale = ScaleMode::Integer;
            else {
                *error = "--scale takes stretch, fit or integer, not " + s;
                return false;
            }
        } else if (arg == "--fixed-fps") {
            if (!value(&v)) return false;
            if (!ParseCount(v, 1, 1000, &n)) {
                *error = std::string("--fixed-fps takes a rate from 1 to 1000, not ") + v;
                return false;
            }
            o->fixedFps = static_cast<uint32_t>(n);
        } else if (arg == "--frames") {
            if (!value(&v)) return false;
            if (!ParseCount(v, 0, INT64_MAX, &n)) {
                *error = std::string("--frames takes a whole number, not ") + v;
                return false;
            }
            o->maxFrames = n;
        } else if (arg == "--until") {
            if (!value(&v)) return false;
            if (!ParseCount(v, 0, UINT32_MAX, &n)) {
                *error = std::string("--until takes milliseconds, not ") + v;
                return false;
            }
            o->untilMs = n;
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    if (!o->capturePath.empty() && o->fixedFps == 0) o->fixedFps = 60;
    return true;
}
