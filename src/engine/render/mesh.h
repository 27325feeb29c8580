// Triangle meshes: the vertex, corner and face records, and the scene node
// that holds them. Builders (the scene loader, procedural effects) size the
// arrays, fill positions and faces, link the corners to the vertex arrays
// and compute normals; the render pipeline owns the transformed array and
// the per-frame fields.
//
// The transformed array holds one record per vertex (same index as the
// source vertex), then 12 per face, in face order: the vertices the clipper
// may create for that face.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/scene/scene_object.h"

struct sMaterial;

struct sVertex {
    float x = 0, y = 0, z = 0;     // object coordinates; camera coordinates once transformed
    float nx = 0, ny = 0, nz = 0;  // averaged face normal; camera normal once transformed
    float screenX = 0, screenY = 0;
    uint8_t clip = 0;              // clip code bits
    float work[3] = {};            // free for effects (a velocity, say)
    float r = 0, g = 0, b = 0;     // vertex colour; no fill routine reads it
    float u = 0, v = 0;            // texture coordinates; environment coordinates once transformed
    float faceCount = 0;           // faces that contributed to the normal
    uint8_t transformed = 0;       // transformed in the current frame
};

struct sCorner {
    uint32_t vertexIndex = 0;
    sVertex* transformed = nullptr;
    sVertex* source = nullptr;
    float u = 0, v = 0;
};

constexpr int kClipCorners = 12;

struct sPoly {
    // Three corners for mesh faces; flare quads use all four.
    sCorner corners[4];
    sCorner clipCorners[kClipCorners];
    uint8_t cornerCount = 0;
    uint8_t clipCount = 0;
    uint8_t clipped = 0;
    cVector normal;        // object coordinates, unit length (approximately)
    cVector cameraNormal;
    uint8_t visible = 1;
    uint32_t flags = 0;
    uint32_t index = 0;         // the face's number in its mesh in the file
    uint32_t globalNumber = 0;  // its bit in the camera's visibility bitmaps
    sMaterial* material = nullptr;
    sPoly* next = nullptr;
    sPoly* previous = nullptr;
};

// A list of up to 12 clip corners, each with a vertex record of its own.
struct sClipBuffer {
    sCorner corners[kClipCorners];
    sVertex vertices[kClipCorners];
    uint8_t count = 0;
    sClipBuffer() {
        for (int i = 0; i < kClipCorners; ++i) corners[i].transformed = &vertices[i];
    }
    sClipBuffer(const sClipBuffer&) = delete;
    sClipBuffer& operator=(const sClipBuffer&) = delete;
};

class c3dObject : public cSceneObject {
public:
    c3dObject();
    ~c3dObject() override;

    void FreeVertices();
    void FreeFaces();
    // n source vertices, zeroed, and a transformed array sized for n and the
    // current face count.
    void SetVertexCount(uint16_t n);
    // m faces (visible, flags 0, corner count 0, chained through next and
    // previous), and a transformed array sized for them.
    void SetFaceCount(uint16_t m);
    void SetMaterial(sMaterial* material);
    // Points every face's corners at their vertex records (setting those
    // transformed vertices' colour to white) and hands out the 12 clip slots
    // of each face. A corner naming a vertex past the count is fatal.
    void LinkFaces();
    void CopyTextureCoords();
    // Unit face normals (lengths by the exponent-halving square root) and
    // their plain average at each vertex. Visible faces only.
    void ComputeNormals();

    // Camera coordinates, projection and clip codes of the vertices of
    // visible faces (each once), camera normals and environment coordinates
    // of all; announces one face per visible face to its material.
    void Transform(cCamera* camera) override;
    // Back-face rejection, clipping of faces that cross the view volume and
    // the depth keys; appends the faces to their materials' face lists.
    void Collect() override;

    uint8_t meshFlags = 0;
    std::vector<sVertex> vertices;     // source
    std::vector<sVertex> transformed;  // vertexCount + 12 x faceCount
    uint16_t vertexCount = 0;
    std::vector<sPoly> faces;
    uint16_t faceCount = 0;
    cMatrix viewPositionMatrix;
    cMatrix viewNormalMatrix;
    cVector viewTranslation;
    uint32_t vertexSlots = 0;
    // Skinned meshes: one bone node (or null) and one offset per vertex;
    // empty otherwise.
    std::vector<cSceneObject*> bones;
    std::vector<cVector> boneOffsets;
    sClipBuffer clipA;
    sClipBuffer clipB;
};

// The square root the engine uses for lengths: halving the float's exponent
// on its bit pattern, (bits(q) + 0x3F800000) / 2. Exact for powers of 4,
// within about 6 % elsewhere; q must not be negative.
float ApproximateSqrt(float q);
