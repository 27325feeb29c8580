// Scenes built in memory for the engine tests: an engine on the working
// directory (a fresh temporary one) and a scene registered with it.
#pragma once

#include <array>
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

    // One face per triangle over three vertices of its own, corners in the
    // given order, all of `material`; linked, with normals.
    c3dObject* AddTriangles(const char* name, const std::vector<std::array<cVector, 3>>& triangles,
                            sMaterial* material) {
        c3dObject* mesh = Add<c3dObject>(name);
        mesh->SetVertexCount(static_cast<uint16_t>(3 * triangles.size()));
        mesh->SetFaceCount(static_cast<uint16_t>(triangles.size()));
        for (size_t f = 0; f < triangles.size(); ++f) {
            mesh->faces[f].cornerCount = 3;
            for (size_t c = 0; c < 3; ++c) {
                mesh->faces[f].corners[c].vertexIndex = static_cast<uint32_t>(3 * f + c);
                sVertex& v = mesh->vertices[3 * f + c];
                v.x = triangles[f][c].x;
                v.y = triangles[f][c].y;
                v.z = triangles[f][c].z;
            }
        }
        mesh->SetMaterial(material);
        mesh->LinkFaces();
        mesh->ComputeNormals();
        return mesh;
    }

    // A mesh of `faces` unit right triangles, face f at z = f, with its
    // faces numbered from `firstGlobal`.
    c3dObject* AddMesh(const char* name, uint16_t faces, uint32_t firstGlobal, sMaterial* material) {
        std::vector<std::array<cVector, 3>> triangles(faces);
        for (uint16_t f = 0; f < faces; ++f) {
            float z = static_cast<float>(f);
            triangles[f] = {cVector(0, 0, z), cVector(1, 0, z), cVector(0, 1, z)};
        }
        c3dObject* mesh = AddTriangles(name, triangles, material);
        for (uint16_t f = 0; f < faces; ++f) mesh->faces[f].globalNumber = firstGlobal + f;
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
