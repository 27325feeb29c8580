// Opening a scene for the drift-tool commands.
#include "scene_input.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "engine/scene/scene_loader.h"
#include "kernel/services.h"
#include "resources/library.h"

namespace {

// The tool prints the program's own message, nothing around it.
void PrintMessage(const char* message) {
    std::fprintf(stderr, "%s\n", message);
    std::fflush(stderr);
}

}  // namespace

bool TakeSceneArg(int argc, char** argv, int& i, sSceneArgs& args) {
    if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
        args.dataDir = argv[++i];
        return true;
    }
    if (!args.base && argv[i][0] != '-') {
        args.base = argv[i];
        return true;
    }
    return false;
}

std::unique_ptr<sOpenScene> OpenScene(const sSceneArgs& args, int32_t width, int32_t height) {
    if (args.dataDir && chdir(args.dataDir) != 0) {
        std::fprintf(stderr, "drift-tool: cannot enter %s\n", args.dataDir);
        return nullptr;
    }
    SetFatalReporter(PrintMessage);
    // As the program does: names the library holds come from the library.
    OpenLibrary("drift", 0);
    auto opened = std::make_unique<sOpenScene>(width, height);
    Load(opened->scene, args.base, true);
    return opened;
}
