// drift-tool scene BASE [--data DIR]: loads BASE.ooz with its .mtl and .ini
// through the program's own loader and prints the scene as one JSON document.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "scene_input.h"
#include "engine/render/mesh.h"
#include "engine/render/polygon_routines.h"
#include "engine/scene/camera.h"
#include "engine/scene/helper.h"
#include "engine/scene/scene.h"

namespace {

// The float as the shortest decimal that reads back as the same float, so
// 0.2f prints as 0.2 rather than as its double expansion.
nlohmann::json Number(float v) {
    char text[32];
    auto result = std::to_chars(text, text + sizeof text, v);
    *result.ptr = '\0';
    return std::strtod(text, nullptr);
}

const char* KindName(const cSceneObject& node) {
    switch (node.kind) {
        case kNodeMesh:
            return "mesh";
        case kNodeCamera:
            return "camera";
        case kNodeHelper:
            return static_cast<const cHelper&>(node).helperKind == kHelperBone ? "bone" : "helper";
        case kNodeLight:
            return "light";
        default:
            return "plain";
    }
}

nlohmann::json NameOrNull(const sTexture* texture) {
    return texture ? nlohmann::json(texture->name.Str()) : nlohmann::json(nullptr);
}

nlohmann::json Describe(const cScene& scene) {
    nlohmann::json doc;
    doc["name"] = scene.name.Str();
    doc["first_frame"] = scene.firstFrame;
    doc["last_frame"] = scene.lastFrame;
    doc["fps"] = scene.framesPerSecond;
    doc["fog"] = Number(scene.fog);
    doc["ambient"] = {Number(scene.ambient[0]), Number(scene.ambient[1]), Number(scene.ambient[2])};
    nlohmann::json nodes = nlohmann::json::array();
    scene.hierarchy.ForEach([&](const sHierarchyEntry& e) {
        const cSceneObject& node = *e.object;
        nlohmann::json n;
        n["name"] = node.name.Str();
        n["kind"] = KindName(node);
        n["parent"] = e.parent ? nlohmann::json(e.parent->object->name.Str()) : nlohmann::json(nullptr);
        bool mesh = node.kind == kNodeMesh;
        n["vertices"] = mesh ? static_cast<const c3dObject&>(node).vertexCount : 0;
        n["faces"] = mesh ? static_cast<const c3dObject&>(node).faceCount : 0;
        if (node.kind == kNodeCamera) {
            const auto& camera = static_cast<const cCamera&>(node);
            n["fov"] = Number(camera.fov);
            n["roll"] = Number(camera.roll);
        }
        nodes.push_back(std::move(n));
    });
    doc["nodes"] = std::move(nodes);
    nlohmann::json materials = nlohmann::json::array();
    for (size_t i = 0; i < scene.materials.Count(); ++i) {
        const sMaterial& m = scene.materials.At(i);
        materials.push_back({
            {"name", m.name.Str()},
            {"number", m.number},
            {"sub", m.sub},
            {"flags", m.flags},
            {"routine", m.routine ? nlohmann::json(m.routine->fillName) : nlohmann::json(nullptr)},
            {"red", Number(m.red)},
            {"green", Number(m.green)},
            {"blue", Number(m.blue)},
            {"texture", NameOrNull(m.texture)},
            {"second_map", NameOrNull(m.secondMap)},
        });
    }
    doc["materials"] = std::move(materials);
    return doc;
}

}  // namespace

int SceneCommand(int argc, char** argv) {
    sSceneArgs args;
    for (int i = 1; i < argc; ++i) {
        if (!TakeSceneArg(argc, argv, i, args)) return UsageError();
    }
    if (!args.base) return UsageError();
    std::unique_ptr<sOpenScene> opened = OpenScene(args, 512, 384);
    if (!opened) return 1;
    std::printf("%s\n", Describe(opened->scene).dump(2).c_str());
    return 0;
}
