// drift-tool render BASE --camera NAME --frame F [--size WxH] [--data DIR]
// --out FILE.png: loads a scene as the program does, animates it to frame F
// and draws it through the named camera into a black picture of the given
// size (512 x 384 by default), written as PNG. A preview for show makers:
// the same loader, animation and renderer the show runs, one frame.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "commands.h"
#include "engine/scene/camera.h"
#include "resources/png_writer.h"
#include "scene_input.h"

namespace {

constexpr uint32_t kMaxSide = 4096;

// The whole word must be the number; from_chars takes no leading '+' or
// spaces, and the frame must be finite (from_chars reads "inf" and "nan").
bool ParseFrame(const char* text, float* frame) {
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, *frame);
    return ec == std::errc() && ptr == end && std::isfinite(*frame);
}

bool ParseSide(const char* begin, const char* end, uint32_t* side) {
    auto [ptr, ec] = std::from_chars(begin, end, *side);
    return ec == std::errc() && ptr == end && *side >= 1 && *side <= kMaxSide;
}

// "WxH", both sides 1 .. 4096.
bool ParseSize(const char* text, uint32_t* width, uint32_t* height) {
    const char* x = std::strchr(text, 'x');
    return x && ParseSide(text, x, width) && ParseSide(x + 1, text + std::strlen(text), height);
}

int Usage(const char* reason) {
    std::fprintf(stderr, "drift-tool render: %s\n", reason);
    return UsageError();
}

}  // namespace

int RenderCommand(int argc, char** argv) {
    sSceneArgs args;
    const char* cameraName = nullptr;
    const char* out = nullptr;
    float frame = 0.0f;
    bool haveFrame = false;
    uint32_t width = 512, height = 384;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--camera") == 0 && hasValue) {
            cameraName = argv[++i];
        } else if (std::strcmp(argv[i], "--out") == 0 && hasValue) {
            out = argv[++i];
        } else if (std::strcmp(argv[i], "--frame") == 0 && hasValue) {
            if (!ParseFrame(argv[++i], &frame)) return Usage("--frame wants a number");
            haveFrame = true;
        } else if (std::strcmp(argv[i], "--size") == 0 && hasValue) {
            if (!ParseSize(argv[++i], &width, &height)) return Usage("--size wants WxH, both 1 to 4096");
        } else if (!TakeSceneArg(argc, argv, i, args)) {
            return UsageError();
        }
    }
    if (!args.base || !cameraName || !haveFrame || !out) return Usage("BASE, --camera, --frame and --out are needed");

    // Opening the scene enters the data directory; the picture goes where
    // the caller meant it, relative to where the tool was started.
    std::error_code ec;
    const std::filesystem::path outPath = std::filesystem::absolute(out, ec);
    if (ec) {
        std::fprintf(stderr, "drift-tool: bad output path %s\n", out);
        return 1;
    }
    std::unique_ptr<sOpenScene> opened = OpenScene(args, static_cast<int32_t>(width), static_cast<int32_t>(height));
    if (!opened) return 1;
    cScene& scene = opened->scene;

    cSceneObject* node = scene.FindNode(cameraName);
    if (!node) {
        std::fprintf(stderr, "Camera \"%s\" not found in %s\n", cameraName, args.base);
        return 1;
    }
    if (node->kind != kNodeCamera) {
        std::fprintf(stderr, "\"%s\" in %s is not a camera\n", cameraName, args.base);
        return 1;
    }
    auto* camera = static_cast<cCamera*>(node);
    // The view (projection included) is only ever set up towards a target;
    // without one the show would draw nothing sensible through this camera.
    if (!camera->target)
        std::fprintf(stderr, "drift-tool render: camera \"%s\" has no target, so its view is never set up\n",
                     cameraName);
    camera->SetViewport(width, height);
    scene.camera = camera;
    scene.Animate(frame);

    std::vector<uint32_t> target(static_cast<size_t>(width) * height, 0);
    opened->engine.renderTarget = target.data();
    opened->engine.defaultRenderTarget = target.data();
    camera->Render();

    std::string error;
    if (!WritePng(outPath.string(), target.data(), static_cast<int>(width), static_cast<int>(height), &error)) {
        std::fprintf(stderr, "drift-tool: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
