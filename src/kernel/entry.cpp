// The program from entry to exit: options, start-up in its fixed order, the
// loading screen, the frame loop and shutdown.
#include "kernel/entry.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/render/engine.h"
#include "kernel/mainloop.h"
#include "kernel/options.h"
#include "kernel/services.h"
#include "kernel/startup.h"
#include "kernel/timeline.h"
#include "kernel/window.h"
#include "resources/library.h"
#include "sound/music.h"
#include "video/capture.h"
#include "video/sdl_video.h"
#include "video/video.h"

namespace {

constexpr const char* kTitle = "Korvane - Halcyon Drift";
constexpr const char* kClassName = "hdrift";

void WriteLog(const std::string& path) {
    if (path.empty()) return;
    const std::string& text = LogText();
    if (path == "-") {
        std::fwrite(text.data(), 1, text.size(), stderr);
        return;
    }
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    } else {
        std::fprintf(stderr, "hdrift: cannot write the log to %s\n", path.c_str());
    }
}

void CheckProcessor() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("mmx"))
        FatalError("This demo requires an MMX Compatible processor.\n You will have to upgrade :(");
#endif
}

bool AskFullscreen(const sOptions& options) {
    if (options.headless || options.screen == ScreenChoice::Windowed) return false;
    if (options.screen == ScreenChoice::Fullscreen) return true;
    bool yes = false;
    // Without a box to ask with, the window is the safe answer.
    if (!AskYesNo("K o r v a n e", "Do *YOU* want to run fullscreen?\nClick [No] to run in windowed mode", &yes))
        return false;
    return yes;
}

// The frame loop's presenter: shows the frame, then hands it to the capture
// at the music position it was drawn for.
class cShowPresenter : public FramePresenter {
public:
    explicit cShowPresenter(cFrameCapture* capture) : capture_(capture) {}
    void PresentFrame(uint32_t* frame) override {
        uint32_t position = MusicClock().Position();
        ::PresentFrame(frame);
        std::string error;
        if (capture_ && !capture_->Write(frame, position, &error)) FatalError("Capture failed: %s", error.c_str());
    }

private:
    cFrameCapture* capture_;
};

}  // namespace

int RunShow(int argc, char** argv) {
    sOptions options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "hdrift: %s\n%s", error.c_str(), UsageText());
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s\n", VersionText());
        return 0;
    }
    if (!options.dataDir.empty() && chdir(options.dataDir.c_str()) != 0) {
        std::fprintf(stderr, "hdrift: cannot enter the data directory %s\n%s", options.dataDir.c_str(), UsageText());
        return 2;
    }
    std::unique_ptr<FixedFpsClock> fixedClock;
    if (options.fixedFps) {
        fixedClock = std::make_unique<FixedFpsClock>(options.fixedFps);
        SetClock(fixedClock.get());
    }

    CheckProcessor();
    bool fullscreen = AskFullscreen(options);

    // The demo system: the log, the window record, the window and the video.
    Log("----[DEMOSYSTEM INITIALIZING]---");
    Log("version 1.1");
    g_demoSys.className = kClassName;
    g_demoSys.title = kTitle;
    Log("   [DEMOKERNEL] Register class: %s", kClassName);
    Log("   [DEMOKERNEL] Initializing window: %s", kTitle);
    std::unique_ptr<cVideoBackend> window;
    if (!options.headless) {
        sSdlVideoConfig config;
        config.title = kTitle;
        config.vsync = options.vsync;
        config.windowScale = options.scale == ScaleMode::Default ? ScaleMode::Stretch : options.scale;
        config.fullscreenScale = options.scale == ScaleMode::Default ? ScaleMode::Fit : options.scale;
        window = CreateSdlVideo(config, &error);
        if (!window) FatalError("Can't open the window (%s); --headless runs without a display", error.c_str());
        InstallMessageBoxReporter();
    }
    SetVideoBackend(window.get());
    g_demoSys.showFps = false;
    InitVideo(fullscreen, 512, 384);
    SetResolution(512, 384, true);
    uint32_t* frame = FrameBuffer();

    OpenLibrary("drift", 0);

    // The engine lives until the process ends; the scenes the effects
    // register with it draw into the frame buffer unless they re-point it.
    if (!g_engine) g_engine = new cEngineSoftware(512, 384, ".");
    g_engine->renderTarget = frame;
    g_engine->defaultRenderTarget = frame;

    std::vector<uint32_t> loading = LoadFramePicture("loading.jpg");
    std::memcpy(frame, loading.data(), loading.size() * sizeof(uint32_t));
    PresentFrame(frame);

    Log("initialize music");
    InitSound(options.mute || options.headless);

    Log("initialize Script");
    cTimeline timeline;
    timeline.RegisterVariables();
    timeline.ReadScript("script.txt");

    Log("initialize Effect");
    std::vector<uint32_t> showPicture = LoadFramePicture("picture.jpg");
    std::vector<uint32_t> loadingBar = LoadFramePicture("loadingbar.jpg");
    InitEffectsWithLoadingBar(frame, loadingBar.data(), timeline);
    loadingBar = {};
    loading = {};

    std::unique_ptr<cFrameCapture> capture;
    if (!options.capturePath.empty()) {
        capture = cFrameCapture::Open(options.capturePath, options.fixedFps, MusicFileBytes(), &error);
        if (!capture) FatalError("%s", error.c_str());
    }

    StartMusic();
    if (timeline.startPosition != 0)
        Log("!!!!!!!!!!!!!%x!!!!!!!!!!!!!!!!!", static_cast<unsigned>(timeline.startPosition));

    cShowPresenter presenter(capture.get());
    cMainLoop loop(timeline, frame, presenter, MusicClock());
    loop.SetShowPicture(std::move(showPicture));
    for (int64_t frames = 0; !QuitFlag(); ++frames) {
        if (options.maxFrames >= 0 && frames >= options.maxFrames) break;
        if (options.untilMs >= 0 && MusicClock().Position() >= options.untilMs) break;
        loop.Frame();
    }

    if (capture && !capture->Finish(&error)) FatalError("%s", error.c_str());
    ShutdownSound();
    SetVideoBackend(nullptr);
    WriteLog(options.logPath);
    return 0;
}
