// What the commands that read one scene share: the BASE and --data DIR
// arguments, and opening the scene the way the program does, with fatal
// errors printed on standard error (the process then exits with status 1).
#pragma once

#include <cstdint>
#include <memory>

#include "engine/render/engine.h"
#include "engine/scene/scene.h"

struct sSceneArgs {
    const char* base = nullptr;
    const char* dataDir = nullptr;
};

// Takes argv[i] when it is "--data DIR" (i then stands on DIR) or, while
// no base is set, a word that is not an option. False for anything else,
// which the caller either takes itself or reports as a usage error.
bool TakeSceneArg(int argc, char** argv, int& i, sSceneArgs& args);

// An engine of the given target size and the scene loaded for it.
struct sOpenScene {
    sOpenScene(int32_t width, int32_t height) : engine(width, height, "."), scene(&engine) {
        engine.AddScene(&scene);
    }
    cEngineSoftware engine;
    cScene scene;
};

// Enters the data directory (if any), so that the data library "drift",
// the scene files and the textures they name are all found relative to it,
// exactly as the program finds them in its working directory; then loads
// BASE.ooz, BASE.mtl and BASE.ini. Relative paths the caller still needs
// must be made absolute before this call. Returns null after a message
// when the directory cannot be entered; a load failure ends the process.
std::unique_ptr<sOpenScene> OpenScene(const sSceneArgs& args, int32_t width, int32_t height);
