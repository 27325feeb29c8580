// Materials: what a face is drawn with. The scene loader creates them from
// the scene file (name, textures, number and sub-material index); the
// material file then gives each its colour and polygon routine.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/render/render_item.h"
#include "support/string.h"

struct sTexture;
struct sPolygonRoutine;

enum eMaterialFlags : uint16_t {
    kMaterialAlwaysDrawn = 0x01,   // ignores camera visibility and facing
    kMaterialHasSecondMap = 0x02,
    kMaterialNoCull = 0x08,        // from the scene file's initial flags
    kMaterialTextured = 0x10,      // its faces carry texture coordinates
    kMaterialTwoSided = 0x20,      // set by the material file
};

struct sMaterial {
    sTexture* texture = nullptr;    // the first map
    sTexture* secondMap = nullptr;  // the environment map
    String name;
    uint16_t number = 0;  // material number and sub-material index: the key
    uint16_t sub = 0;     // faces find their material by
    uint16_t flags = 0;
    float secondMapAmount = 0.3f;
    const sPolygonRoutine* routine = nullptr;  // none until the material file names it
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    sFaceList faces;  // this frame's faces, filled by the render pipeline
};

// The scene's materials in creation order. Records never move, so faces and
// lights keep plain pointers to them.
class cMaterialList {
public:
    sMaterial* Add(const String& name, sTexture* texture, sTexture* secondMap, uint16_t number, uint16_t sub,
                   uint16_t flags);
    // The first material of that name, ignoring ASCII case.
    sMaterial* FindByName(const String& name) const;
    // The last material with both values equal.
    sMaterial* FindByKey(uint16_t number, uint16_t sub) const;
    // How many materials carry the number; 1 when none does, so it can be
    // used as a modulus.
    uint32_t CountOfNumber(uint16_t number) const;
    void SetFlagsByName(const String& name, uint16_t bits);
    void SetSecondMapAmountByName(const String& name, float amount);

    // Iteration with a cursor; nullptr past the end.
    sMaterial* First();
    sMaterial* Next();

    size_t Count() const { return materials_.size(); }
    sMaterial& At(size_t i) const { return *materials_[i]; }

private:
    std::vector<std::unique_ptr<sMaterial>> materials_;
    size_t cursor_ = 0;
};
