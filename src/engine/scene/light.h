// Lights: lens flares drawn as screen-aligned quads at the light's position,
// secondary flares along the line through the screen centre, and optional
// distance-based vertex lighting of the scene's meshes. A light without a
// flare material draws and lights nothing.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "engine/render/mesh.h"
#include "engine/scene/scene_object.h"

// A quad face with its four corners linked to four vertex records of its own.
struct sQuad {
    sPoly face;
    sVertex vertices[4];
    sQuad();
    sQuad(const sQuad&) = delete;
    sQuad& operator=(const sQuad&) = delete;
};

struct sFlare {
    sQuad quad;
    float positionX = 0, positionY = 0;  // where along the line to the mirror point
    float sizeX = 0, sizeY = 0;          // factors of the main flare's half-size
    uint8_t noScale = 0;                 // sized from 64 instead of the main flare
};

constexpr int kMaxSecondaryFlares = 48;
constexpr uint32_t kFlareFaceFlags = 0x10;
constexpr uint32_t kHiddenFaceFlag = 0x08;

class cLight : public cSceneObject {
public:
    // The scene loader builds lights with (16, true): hidden until the
    // particle file says "nohide".
    cLight(float size, bool hidden);
    ~cLight() override;

    // Hidden: the main quad's visible flag cleared and face flag 0x08 set.
    void Hide(bool hide);
    bool Shown() const { return quad.face.visible != 0; }
    // Loads the texture as named and adds a material of the light's name
    // with it; the flare material is then the first material of that name.
    void SetFlareTexture(const String& fileName);
    // Ignored once the light has 48.
    void AddSecondaryFlare(const String& fileName, float positionX, float positionY, float sizeX, float sizeY,
                           bool noScale);
    void SetIntensity(float value);

    // Camera coordinates, dynamic lighting, screen position, flare growth and
    // the face capacity of the flare materials.
    void Transform(cCamera* camera) override;
    // The main quad and, when shown, the secondary flares; nothing when the
    // light is nearer than 1 in depth or behind the camera.
    void Collect() override;

    uint32_t word = 0;
    cMatrix lightMatrix;
    cVector cameraPosition;
    sMaterial* flareMaterial = nullptr;
    float flareSize;
    float currentSize = 0.0f;
    uint8_t dynamic = 0;
    uint8_t replace = 1;  // dynamic lighting replaces vertex colours (else adds)
    float red = 1.0f, green = 1.0f, blue = 1.0f;
    float brightness = 1.0f;  // the grey level of the quads' vertices
    std::unique_ptr<std::array<sFlare, kMaxSecondaryFlares>> flares;
    uint8_t flareCount = 0;
    float intensity = 50.0f;  // the reach of dynamic lighting
    float reciprocalIntensity = 0.02f;
    float halfSize = 0.0f;
    float screenX = 0.0f, screenY = 0.0f;
    float viewportWidth = 0.0f, viewportHeight = 0.0f;
    float mirrorX = 0.0f, mirrorY = 0.0f;
    sQuad quad;
    sVertex centre;  // screen position and depth of the light's centre

private:
    void LightMeshes();
    void EmitQuad(sPoly& face, float cx, float cy, float hx, float hy);
};
