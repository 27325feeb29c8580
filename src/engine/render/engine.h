// The software engine object: created once at start-up, it owns the texture
// manager and knows the scenes built for it and the render target they are
// drawn into.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/render/textures.h"
#include "support/string.h"

class cScene;

class cEngine {
public:
    virtual ~cEngine() = default;
    virtual sTexture* LoadTexture(const String& name, uint32_t a, uint32_t b) = 0;
    virtual void ReleaseTextures() = 0;
};

class cEngineSoftware : public cEngine {
public:
    // Switches the scene loader's chunk trace off, sets the target size,
    // creates the texture manager on `basePath` and fills the routine table.
    cEngineSoftware(int32_t width, int32_t height, const String& basePath);

    void AddScene(cScene* scene) { scenes.push_back(scene); }
    sTexture* LoadTexture(const String& name, uint32_t a, uint32_t b) override;
    void ReleaseTextures() override;
    cTexturesSoftware& Textures() { return *textures_; }
    // Draws the current scene's render list into the render target, from
    // the last (farthest) item to the first, with the target size set to
    // the scene camera's viewport.
    void DrawRenderList();

    std::vector<cScene*> scenes;      // registered, not owned
    cScene* currentScene = nullptr;  // the scene being rendered
    uint32_t* renderTarget = nullptr;
    uint32_t* defaultRenderTarget = nullptr;

private:
    std::unique_ptr<cTexturesSoftware> textures_;
};

// The engine the kernel creates at start-up (512 x 384, base path ".", both
// targets the frame buffer); null before that.
extern cEngineSoftware* g_engine;
