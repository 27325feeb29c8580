// Start-up, main loop and shutdown of the show.
#include "kernel/entry.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kernel/mainloop.h"
#include "kernel/services.h"
#include "kernel/timeline.h"
#include "resources/library.h"
#include "sound/music_clock.h"
#include "video/null_presenter.h"

namespace {

void PrintUsage() {
    std::printf(
        "usage: hdrift [options]\n"
        "Plays the show from the data library \"drift\" (or loose files) in the\n"
        "working directory.\n"
        "  --log PATH  at exit write the log to PATH (\"-\" for standard error)\n"
        "  --help      show this text\n");
}

}  // namespace

namespace {

void WriteLog(const char* path) {
    if (!path) return;
    const std::string& text = LogText();
    if (std::strcmp(path, "-") == 0) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        return;
    }
    if (std::FILE* f = std::fopen(path, "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    } else {
        std::fprintf(stderr, "hdrift: cannot write the log to %s\n", path);
    }
}

}  // namespace

int RunShow(int argc, char** argv) {
    const char* logPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage();
            return 0;
        }
        if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
            logPath = argv[++i];
        } else {
            std::fprintf(stderr, "hdrift: unknown option %s\n", argv[i]);
            PrintUsage();
            return 2;
        }
    }

    Log("----[DEMOSYSTEM INITIALIZING]---");
    Log("version 1.1");
    std::vector<uint32_t> frame(kFramePixels, 0);
    OpenLibrary("drift", 0);

    Log("initialize Script");
    cTimeline timeline;
    timeline.RegisterVariables();
    timeline.ReadScript("script.txt");
    Log("Init done");

    cMusicClock music;
    music.Start();
    if (timeline.startPosition != 0) Log("!!!!!!!!!!!!!%x!!!!!!!!!!!!!!!!!", static_cast<unsigned>(timeline.startPosition));

    // Until the window exists the frames are rendered but not shown.
    cNullPresenter presenter;
    cMainLoop loop(timeline, frame.data(), presenter, music);
    loop.Run();
    WriteLog(logPath);
    return 0;
}
