// Helpers and bones: nodes that matter only through their placement and
// their children.
#pragma once

#include <cstdint>

#include "engine/scene/scene_object.h"

enum eHelperKind : uint8_t { kHelperPlain = 0, kHelperWithClass = 1, kHelperBone = 2 };

class cHelper : public cSceneObject {
public:
    explicit cHelper(uint8_t kindOfHelper = kHelperPlain) : cSceneObject(kNodeHelper), helperKind(kindOfHelper) {}

    uint32_t word = 0;
    uint8_t helperKind;
    cMatrix helperMatrix;  // kept with the helper, never read
    cVector helperVector;
};
