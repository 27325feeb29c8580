// Lens flares and dynamic lighting.
#include "engine/scene/light.h"

#include "engine/render/engine.h"
#include "engine/scene/camera.h"
#include "engine/scene/scene.h"

sQuad::sQuad() {
    face.cornerCount = 4;
    for (int i = 0; i < 4; ++i) {
        face.corners[i].vertexIndex = static_cast<uint32_t>(i);
        face.corners[i].transformed = &vertices[i];
        face.corners[i].source = &vertices[i];
    }
}

cLight::cLight(float size, bool hidden) : cSceneObject(kNodeLight), flareSize(size) {
    quad.face.flags = kFlareFaceFlags;
    Hide(hidden);
}

cLight::~cLight() = default;

void cLight::Hide(bool hide) {
    quad.face.visible = hide ? 0 : 1;
    if (hide)
        quad.face.flags |= kHiddenFaceFlag;
    else
        quad.face.flags &= ~kHiddenFaceFlag;
}

void cLight::SetFlareTexture(const String& fileName) {
    if (!scene || !scene->renderer) return;  // a light outside any scene has no materials
    sTexture* texture = scene->renderer->LoadTexture(fileName, 0, 0);
    scene->materials.Add(name, texture, nullptr, 0xFFFF, 0xFFFF, kMaterialAlwaysDrawn);
    flareMaterial = scene->materials.FindByName(name);
}

void cLight::AddSecondaryFlare(const String& fileName, float positionX, float positionY, float sizeX, float sizeY,
                               bool noScale) {
    if (flareCount >= kMaxSecondaryFlares || !scene || !scene->renderer) return;
    if (!flares) flares = std::make_unique<std::array<sFlare, kMaxSecondaryFlares>>();
    sFlare& flare = (*flares)[flareCount++];
    flare.positionX = positionX;
    flare.positionY = positionY;
    flare.sizeX = sizeX;
    flare.sizeY = sizeY;
    flare.noScale = noScale ? 1 : 0;
    sTexture* texture = scene->renderer->LoadTexture(fileName, 0, 0);
    scene->materials.Add(fileName, texture, nullptr, 0xFFFF, 0xFFFF, kMaterialAlwaysDrawn);
    flare.quad.face.material = scene->materials.FindByName(fileName);
    flare.quad.face.flags = kFlareFaceFlags;
}

void cLight::SetIntensity(float value) {
    intensity = value;
    reciprocalIntensity = 1.0f / value;
}

void cLight::Transform(cCamera* camera) {
    if (!flareMaterial) return;
    cameraPosition = camera->matrix * (position - camera->position);
    const cVector& e = cameraPosition;
    if (dynamic) LightMeshes();

    viewportWidth = static_cast<float>(camera->viewportWidth);
    viewportHeight = static_cast<float>(camera->viewportHeight);
    screenX = viewportWidth * 0.5f + e.x * camera->scaleX / e.z;
    screenY = viewportHeight * 0.5f - e.y * camera->scaleY / e.z;
    mirrorX = viewportWidth - screenX;
    mirrorY = viewportHeight - screenY;
    centre.screenX = screenX;
    centre.screenY = screenY;
    centre.z = e.z;

    // A shown flare grows from 2 by x10 per frame up to its size; a hidden
    // one shrinks by x0.25 per frame and snaps to 0 at 2 or below.
    if (Shown()) {
        if (currentSize < flareSize) currentSize = currentSize == 0.0f ? 2.0f : currentSize * 10.0f;
        if (currentSize > flareSize) currentSize = flareSize;
    } else {
        currentSize = currentSize <= 2.0f ? 0.0f : currentSize * 0.25f;
    }

    halfSize = currentSize * camera->scaleX / e.z;
    quad.face.material = flareMaterial;
    flareMaterial->faces.Announce();
    for (int i = 0; i < flareCount; ++i)
        if (sMaterial* m = (*flares)[i].quad.face.material) m->faces.Announce();
}

void cLight::Collect() {
    if (!flareMaterial || !(cameraPosition.z >= 1.0f)) return;
    EmitQuad(quad.face, screenX, screenY, halfSize, halfSize);
    if (!Shown()) return;
    for (int i = 0; i < flareCount; ++i) {
        sFlare& flare = (*flares)[i];
        float s = flare.noScale ? 64.0f : halfSize;
        if (halfSize < 1.0f) s = 0.0f;
        float cx = screenX + (mirrorX - screenX) * flare.positionX;
        float cy = screenY + (mirrorY - screenY) * flare.positionY;
        EmitQuad(flare.quad.face, cx, cy, s * flare.sizeX, s * flare.sizeY);
    }
}

void cLight::EmitQuad(sPoly& face, float cx, float cy, float hx, float hy) {
    if (!face.material) return;
    // Texture units per pixel, for moving a clamped corner's coordinate. A
    // quad of no size has nothing to clamp in proportion; 0 keeps its
    // coordinates finite instead of infinite.
    float kx = hx != 0.0f ? 1.0f / (hx * 2.0f) : 0.0f;
    float ky = hy != 0.0f ? 1.0f / (2.0f * hy) : 0.0f;
    const float xs[4] = {cx - hx, cx + hx, cx + hx, cx - hx};
    const float ys[4] = {cy - hy, cy - hy, cy + hy, cy + hy};
    const float us[4] = {0, 1, 1, 0};
    const float vs[4] = {0, 0, 1, 1};
    const float w = viewportWidth, h = viewportHeight;
    for (int i = 0; i < 4; ++i) {
        sCorner& corner = face.corners[i];
        sVertex& v = *corner.transformed;
        float x = xs[i], y = ys[i], u = us[i], t = vs[i];
        if (x < 0.0f) {
            u = -x * kx;
            x = 0.0f;
        }
        if (y < 0.0f) {
            t = -y * ky;
            y = 0.0f;
        }
        if (x > w) {
            u = 1.0f - (x - w) * kx;
            x = w;
        }
        if (y > h) {
            t = 1.0f - (y - h) * ky;
            y = h;
        }
        v.screenX = x;
        v.screenY = y;
        v.z = 1.0f;
        v.r = v.g = v.b = brightness;
        corner.u = u;
        corner.v = t;
    }
    face.material->faces.Append(1, &face, this);
}

void cLight::LightMeshes() {
    scene->hierarchy.ForEach([&](sHierarchyEntry& entry) {
        if (entry.object->kind != kNodeMesh) return;
        auto* mesh = static_cast<c3dObject*>(entry.object);
        // The transformed flag doubles as the lit mark, so each shared
        // vertex is lit once.
        for (uint16_t i = 0; i < mesh->vertexCount; ++i) mesh->transformed[i].transformed = 0;
        for (sPoly& face : mesh->faces) {
            if (!face.visible) continue;
            for (int c = 0; c < 3; ++c) {
                sVertex* v = face.corners[c].transformed;
                if (!v || v->transformed) continue;
                v->transformed = 1;
                cVector d = cVector(v->x, v->y, v->z) - cameraPosition;
                float f = 1.0f - ApproximateSqrt(d.x * d.x + d.y * d.y + d.z * d.z) * reciprocalIntensity;
                if (f < 0.0f) f = 0.0f;
                if (replace) {
                    v->r = f * red;
                    v->g = f * green;
                    v->b = f * blue;
                } else {
                    v->r += f * red;
                    v->g += f * green;
                    v->b += f * blue;
                }
            }
        }
    });
}
