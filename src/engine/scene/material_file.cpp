// Reader of the material file.
#include "engine/scene/material_file.h"

#include <string>

#include "engine/render/polygon_routines.h"
#include "engine/scene/material.h"
#include "kernel/services.h"
#include "support/text.h"

namespace {

// Position of `letter` in `letters` plus one, or 0 when it is not there;
// the kind numbers follow the letters' order.
int KindOf(const String& word, const char* letters) {
    if (word.Length() != 1) return 0;
    for (int i = 0; letters[i]; ++i)
        if (letters[i] == word[0]) return i + 1;
    return 0;
}

struct sBlock {
    sMaterial* material = nullptr;
    int mapping = 0, shading = 0, glenz = 0;
    float red = 0, green = 0, blue = 0;
};

void FinishMaterial(const sBlock& b) {
    sMaterial* m = b.material;
    if (b.glenz == 3) FatalError("Alpha channel transparency is not available yet");
    if ((b.mapping == 0 && b.shading == 0) || b.glenz != 0) m->flags |= kMaterialTwoSided;
    if ((b.shading == 5 || b.shading == 6) && !m->secondMap && b.mapping != 0)
        FatalError("Please specify an envname for material \"%s\"", m->name.CStr());
    if (b.mapping != 0 && !m->texture) FatalError("No filename specified for \"%s\"", m->name.CStr());
    const sPolygonRoutine* routine = RoutineFor(b.mapping, b.shading, b.glenz);
    if (!routine) FatalError("The combination of mapping/shading/glenz for \"%s\" is unsupported", m->name.CStr());
    m->routine = routine;
    m->red = b.red;
    m->green = b.green;
    m->blue = b.blue;
}

}  // namespace

void ReadMaterialFile(cMaterialList& materials, const char* baseName) {
    std::string fileName = std::string(baseName) + ".mtl";
    LineList lines = LineList::FromFile(fileName.c_str(), true);
    bool inBlock = false;
    sBlock block;
    for (String line = lines.FirstLine(); !(line == kEndMarker); line = lines.NextLine()) {
        if (line == "material {") inBlock = true;
        if (!inBlock) continue;
        WordList words(line);
        String key = words.Word(0);
        String value = words.Word(1);
        // Keywords before a block's "name" line have no material to act on
        // in the first block; they are ignored there.
        if (key == "name") {
            block = sBlock();
            block.material = materials.FindByName(value);
            if (!block.material)
                FatalError("material %s in %s : doesn't exist in scene: %s.ooz", value.CStr(), fileName.c_str(),
                           baseName);
        } else if (key == "red") {
            block.red = DecimalFloat(value);
        } else if (key == "green") {
            block.green = DecimalFloat(value);
        } else if (key == "blue") {
            block.blue = DecimalFloat(value);
        } else if (key == "mapping") {
            if (int kind = KindOf(value, "tpel")) block.mapping = kind;
            if (value == "l" && block.material) block.material->flags |= kMaterialTwoSided;
        } else if (key == "shading") {
            if (int kind = KindOf(value, "fdrgemlb")) block.shading = kind;
        } else if (key == "glenz") {
            if (int kind = KindOf(value, "hda")) block.glenz = kind;
            if (block.material) block.material->flags |= kMaterialTwoSided;
        } else if (key == "}") {
            if (block.material) FinishMaterial(block);
        }
        if (line == "} }") inBlock = false;
    }
}
