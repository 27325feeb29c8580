// Reader of the particle file.
#include "engine/scene/particle_file.h"

#include <cmath>
#include <string>

#include "engine/scene/light.h"
#include "engine/scene/particles.h"
#include "engine/scene/scene.h"
#include "kernel/services.h"
#include "support/text.h"

namespace {

float Number(const WordList& words, size_t i) { return DecimalFloat(words.Word(i)); }

cVector Vector(const WordList& words, size_t first) {
    return {Number(words, first), Number(words, first + 1), Number(words, first + 2)};
}

// A section runs from its keyword line to the line "} }"; a file that ends
// first ends the section there.
bool SectionEnds(const String& line) { return line == "} }" || line == kEndMarker; }

void ReadEmitter(cScene& scene, LineList& lines, String line, const std::string& fileName) {
    sParticleInfo info;
    cSceneObject* node = nullptr;
    for (;; line = lines.NextLine()) {
        WordList words(line);
        String key = words.Word(0);
        if (key == "name") node = scene.FindNode(words.Word(1));
        else if (key == "filename") info.texture = words.Word(1);
        else if (key == "size") info.size = Number(words, 1);
        else if (key == "speed") info.speed = Vector(words, 1);
        else if (key == "density") info.density = Number(words, 1);
        else if (key == "life") info.life = Number(words, 1);
        else if (key == "gravity") info.gravity = Vector(words, 1);
        if (SectionEnds(line)) break;
    }
    if (!node) return;
    uint32_t count = ParticleCount(info.density, info.life);
    if (count > kMaxParticlesPerEmitter)
        FatalError("%s: emitter %s would have %u particles, at most %u are supported", fileName.c_str(),
                   node->name.CStr(), count, kMaxParticlesPerEmitter);
    AttachParticleSystem(node, info);
}

void ReadLight(cScene& scene, LineList& lines, String line) {
    cLight* light = nullptr;
    for (;; line = lines.NextLine()) {
        WordList words(line);
        String key = words.Word(0);
        if (key == "name") {
            // A name that finds no light leaves the section without one; its
            // keywords are then ignored, as are those before any name.
            cSceneObject* node = scene.FindNode(words.Word(1));
            light = node && node->kind == kNodeLight ? static_cast<cLight*>(node) : nullptr;
        } else if (light) {
            if (key == "filename") {
                light->SetFlareTexture(words.Word(1));
            } else if (key == "secondary") {
                light->AddSecondaryFlare(words.Word(1), Number(words, 2), Number(words, 3), Number(words, 4),
                                         Number(words, 5), words.Word(6) == "noscale");
            } else if (key == "size") {
                light->flareSize = Number(words, 1);
            } else if (key == "nohide") {
                light->Hide(false);
            } else if (key == "dynamic") {
                light->dynamic = 1;
            } else if (key == "intensity") {
                light->SetIntensity(Number(words, 1));
            } else if (key == "color") {
                light->red = Number(words, 1);
                light->green = Number(words, 2);
                light->blue = Number(words, 3);
            }
        }
        if (SectionEnds(line)) break;
    }
}

// trunc toward zero kept in 16 bits; values outside any integer range give 0.
uint16_t FramesPerSecond(float value) {
    double t = std::trunc(static_cast<double>(value));
    if (!(std::fabs(t) < 2147483648.0)) return 0;
    return static_cast<uint16_t>(static_cast<int32_t>(t));
}

}  // namespace

void ReadParticleFile(cScene& scene, const char* baseName) {
    std::string fileName = std::string(baseName) + ".ini";
    LineList lines = LineList::FromFile(fileName.c_str(), true);
    for (String line = lines.FirstLine(); !(line == kEndMarker); line = lines.NextLine()) {
        WordList words(line);
        String key = words.Word(0);
        if (key == "fps") {
            scene.framesPerSecond = FramesPerSecond(Number(words, 1));
        } else if (key == "fog") {
            scene.fog = Number(words, 1);
        } else if (key == "ambient") {
            scene.ambient[0] = Number(words, 1);
            scene.ambient[1] = Number(words, 2);
            scene.ambient[2] = Number(words, 3);
        } else if (key == "emitter") {
            ReadEmitter(scene, lines, line, fileName);
        } else if (key == "light") {
            ReadLight(scene, lines, line);
        }
    }
}
