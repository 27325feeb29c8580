// Scenes built in memory for the engine tests: an engine on the working
// directory (a fresh temporary one) and a scene registered with it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/render/engine.h"
#include "engine/render/mesh.h"
#include "engine/scene/camera.h"
#include "engine/scene/helper.h"
#include "engine/scene/scene.h"
#include "resources/jpeg_writer.h"
#include "test_util.h"

class SceneFixture : public ::testing::Test {
protected:
    SceneFixture() : engine(512, 384, "."), scene(&engine) { engine.AddScene(&scene); }

    template <typename T, typename... Args>
    T* Add(const char* name, sHierarchyEntry* parent = nullptr, Args&&... args) {
        T* node = new T(std::forward<Args>(args)...);
        node->name = name;
        node->scale = node->restScale = cVector(1, 1, 1);
        if (parent)
            scene.hierarchy.InsertChild(parent, node);
        else
            scene.hierarchy.AppendTopLevel(node);
        return node;
    }
    sHierarchyEntry* EntryOf(cSceneObject* node) { return scene.hierarchy.Find(node); }

    // A mesh of `faces` triangles over 3 x faces vertices, linked, with its
    // faces numbered from `firstGlobal` and the given material.
    c3dObject* AddMesh(const char* name, uint16_t faces, uint32_t firstGlobal, sMaterial* material) {
        c3dObject* mesh = Add<c3dObject>(name);
        mesh->SetVertexCount(static_cast<uint16_t>(3 * faces));
        mesh->SetFaceCount(faces);
        for (uint16_t f = 0; f < faces; ++f) {
            sPoly& face = mesh->faces[f];
            face.cornerCount = 3;
            for (int c = 0; c < 3; ++c) {
                face.corners[c].vertexIndex = static_cast<uint32_t>(3 * f + c);
                sVertex& v = mesh->vertices[3 * f + c];
                v.x = static_cast<float>(c == 1);
                v.y = static_cast<float>(c == 2);
                v.z = static_cast<float>(f);
            }
            face.globalNumber = firstGlobal + f;
        }
        mesh->SetMaterial(material);
        mesh->LinkFaces();
        mesh->ComputeNormals();
        return mesh;
    }

    // A small JPEG picture under `name` in the working directory.
    void WriteTexture(const std::string& name, uint32_t colour = 0x808080) {
        std::vector<uint32_t> pixels(16 * 16, colour);
        dir.Write(name, EncodeJpegWords(16, 16, pixels, 90));
    }

    TempDir dir;
    cEngineSoftware engine;
    cScene scene;
};
