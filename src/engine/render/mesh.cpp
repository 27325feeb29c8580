// Mesh building and normals.
#include "engine/render/mesh.h"

#include <bit>

#include "kernel/services.h"

float ApproximateSqrt(float q) {
    // For q >= 0 the bit pattern is below 0x80000000, so the sum fits.
    uint32_t bits = std::bit_cast<uint32_t>(q);
    return std::bit_cast<float>((bits + 0x3F800000u) / 2);
}

c3dObject::c3dObject() : cSceneObject(kNodeMesh) {}

c3dObject::~c3dObject() = default;

void c3dObject::FreeVertices() {
    std::vector<sVertex>().swap(vertices);
    std::vector<sVertex>().swap(transformed);
}

void c3dObject::FreeFaces() { std::vector<sPoly>().swap(faces); }

void c3dObject::SetVertexCount(uint16_t n) {
    vertexCount = n;
    vertices.assign(n, sVertex());
    // Sized for the faces as well, so that any order of the two Set calls
    // leaves room for every clip slot LinkFaces hands out.
    transformed.assign(n + size_t{kClipCorners} * faceCount, sVertex());
    vertexSlots = n;
    // A bone table belongs to the vertices it was read for.
    bones.clear();
    boneOffsets.clear();
}

void c3dObject::SetFaceCount(uint16_t m) {
    transformed.assign(vertexCount + size_t{kClipCorners} * m, sVertex());
    faceCount = m;
    faces.assign(m, sPoly());
    for (uint16_t i = 0; i < m; ++i) {
        faces[i].next = i + 1 < m ? &faces[i + 1] : nullptr;
        faces[i].previous = i > 0 ? &faces[i - 1] : nullptr;
    }
}

void c3dObject::SetMaterial(sMaterial* material) {
    for (sPoly& face : faces) face.material = material;
}

void c3dObject::LinkFaces() {
    vertexSlots = vertexCount;
    for (size_t f = 0; f < faces.size(); ++f) {
        sPoly& face = faces[f];
        for (int c = 0; c < face.cornerCount && c < 3; ++c) {
            sCorner& corner = face.corners[c];
            if (corner.vertexIndex >= vertexCount)
                FatalError("Mesh %s: face %zu uses vertex %u of %u", name.CStr(), f, corner.vertexIndex,
                           static_cast<unsigned>(vertexCount));
            corner.transformed = &transformed[corner.vertexIndex];
            corner.source = &vertices[corner.vertexIndex];
            corner.transformed->r = corner.transformed->g = corner.transformed->b = 1.0f;
        }
        for (sCorner& clip : face.clipCorners) {
            clip.vertexIndex = vertexSlots;
            clip.transformed = &transformed[vertexSlots];
            ++vertexSlots;
        }
    }
}

void c3dObject::CopyTextureCoords() {
    for (sPoly& face : faces)
        for (int c = 0; c < 3; ++c) {
            sCorner& corner = face.corners[c];
            if (corner.source) {
                corner.u = corner.source->u;
                corner.v = corner.source->v;
            }
        }
}

void c3dObject::ComputeNormals() {
    for (sVertex& v : vertices) {
        v.nx = v.ny = v.nz = 0.0f;
        v.faceCount = 0.0f;
    }
    for (sPoly& face : faces) {
        if (!face.visible || face.cornerCount < 3 || !face.corners[0].source) continue;
        sVertex* p0 = face.corners[0].source;
        sVertex* p1 = face.corners[1].source;
        sVertex* p2 = face.corners[2].source;
        // n = (p2 - p0) x (p1 - p0).
        float ax = p2->x - p0->x, ay = p2->y - p0->y, az = p2->z - p0->z;
        float bx = p1->x - p0->x, by = p1->y - p0->y, bz = p1->z - p0->z;
        float nx = ay * bz - az * by;
        float ny = az * bx - ax * bz;
        float nz = ax * by - ay * bx;
        float q = nx * nx + ny * ny + nz * nz;
        // For a zero-area face s is tiny but not zero, and the normal is 0.
        float k = 1.0f / ApproximateSqrt(q);
        face.normal = cVector(nx * k, ny * k, nz * k);
        for (sVertex* v : {p0, p1, p2}) {
            v->nx += face.normal.x;
            v->ny += face.normal.y;
            v->nz += face.normal.z;
            v->faceCount += 1.0f;
        }
    }
    for (sVertex& v : vertices) {
        // A vertex of no visible face is never drawn; it keeps a zero normal
        // rather than 0 / 0.
        if (v.faceCount == 0.0f) continue;
        float k = 1.0f / v.faceCount;
        v.nx *= k;
        v.ny *= k;
        v.nz *= k;
    }
}
