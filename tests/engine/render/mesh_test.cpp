#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "engine/render/mesh.h"
#include "test_util.h"

namespace {

void SetFace(c3dObject& mesh, int f, uint32_t a, uint32_t b, uint32_t c) {
    sPoly& face = mesh.faces[f];
    face.cornerCount = 3;
    face.corners[0].vertexIndex = a;
    face.corners[1].vertexIndex = b;
    face.corners[2].vertexIndex = c;
}

void SetVertex(c3dObject& mesh, int i, float x, float y, float z) {
    mesh.vertices[i].x = x;
    mesh.vertices[i].y = y;
    mesh.vertices[i].z = z;
}

TEST(Mesh, SizingAndLinkingHandOutClipSlots) {
    c3dObject mesh;
    EXPECT_EQ(mesh.kind, kNodeMesh);
    mesh.SetVertexCount(4);
    mesh.SetFaceCount(2);
    EXPECT_EQ(mesh.transformed.size(), 4u + 24u);
    EXPECT_EQ(mesh.faces[0].next, &mesh.faces[1]);
    EXPECT_EQ(mesh.faces[1].previous, &mesh.faces[0]);
    EXPECT_EQ(mesh.faces[1].next, nullptr);
    EXPECT_EQ(mesh.faces[0].visible, 1);
    SetFace(mesh, 0, 0, 1, 2);
    SetFace(mesh, 1, 2, 1, 3);
    mesh.vertices[3].u = 0.25f;
    mesh.vertices[3].v = 0.75f;
    mesh.LinkFaces();
    EXPECT_EQ(mesh.vertexSlots, 28u);
    EXPECT_EQ(mesh.faces[0].clipCorners[0].vertexIndex, 4u);
    EXPECT_EQ(mesh.faces[0].clipCorners[11].transformed, &mesh.transformed[15]);
    EXPECT_EQ(mesh.faces[1].clipCorners[0].vertexIndex, 16u);
    EXPECT_EQ(mesh.faces[1].clipCorners[11].transformed, &mesh.transformed[27]);
    EXPECT_EQ(mesh.faces[1].corners[2].source, &mesh.vertices[3]);
    EXPECT_EQ(mesh.transformed[3].g, 1.0f);  // linked vertices turn white
    mesh.CopyTextureCoords();
    EXPECT_EQ(mesh.faces[1].corners[2].u, 0.25f);
    EXPECT_EQ(mesh.faces[1].corners[2].v, 0.75f);
    int marker = 7;
    sMaterial* material = reinterpret_cast<sMaterial*>(&marker);
    mesh.SetMaterial(material);
    EXPECT_EQ(mesh.faces[1].material, material);

    // Faces before vertices: the transformed array is sized with the old
    // vertex count, and setting the vertices afterwards still leaves room
    // for every clip slot.
    c3dObject late;
    late.SetFaceCount(1);
    EXPECT_EQ(late.transformed.size(), 12u);
    late.SetVertexCount(3);
    EXPECT_EQ(late.transformed.size(), 15u);
    SetFace(late, 0, 0, 1, 2);
    late.LinkFaces();
    EXPECT_EQ(late.vertexSlots, 15u);

    SetFace(late, 0, 0, 1, 3);
    ExpectFatal([&] { late.LinkFaces(); }, "uses vertex 3 of 3");
}

TEST(Mesh, ApproximateSquareRoot) {
    EXPECT_EQ(ApproximateSqrt(4.0f), 2.0f);
    EXPECT_EQ(ApproximateSqrt(0.25f), 0.5f);
    EXPECT_EQ(ApproximateSqrt(1.0f), 1.0f);
    EXPECT_EQ(ApproximateSqrt(65536.0f), 256.0f);
    float worst = 0;
    for (float q = 0.01f; q < 1000.0f; q *= 1.01f)
        worst = std::max(worst, std::fabs(ApproximateSqrt(q) / std::sqrt(q) - 1.0f));
    EXPECT_LT(worst, 0.065f);
    EXPECT_GT(worst, 0.05f);  // it really is an approximation
}

TEST(Mesh, NormalsAreApproximatelyUnitAndAveraged) {
    c3dObject mesh;
    mesh.SetVertexCount(7);
    mesh.SetFaceCount(4);
    // Face 0 in the z = 0 plane and face 1 in the x = 0 plane share vertices
    // 0 and 1 (a right angle along the y axis).
    SetVertex(mesh, 0, 0, 0, 0);
    SetVertex(mesh, 1, 0, 1, 0);
    SetVertex(mesh, 2, 1, 0, 0);
    SetVertex(mesh, 3, 0, 0, 1);
    SetFace(mesh, 0, 0, 1, 2);
    SetFace(mesh, 1, 0, 3, 1);
    // Face 2 has zero area; face 3 has |n|^2 = 0.25 exactly.
    SetVertex(mesh, 4, 0, 0, 5);
    SetVertex(mesh, 5, 0.5f, 0, 5);
    SetVertex(mesh, 6, 0, 1, 5);
    SetFace(mesh, 2, 4, 4, 5);
    SetFace(mesh, 3, 4, 6, 5);
    mesh.LinkFaces();
    mesh.ComputeNormals();

    // n = (p2 - p0) x (p1 - p0) = (1,0,0) x (0,1,0) = (0,0,1).
    EXPECT_EQ(mesh.faces[0].normal.z, 1.0f);
    EXPECT_EQ(mesh.faces[1].normal.x, 1.0f);  // (0,1,0) x (0,0,1)
    EXPECT_EQ(mesh.faces[2].normal.x, 0.0f);
    EXPECT_EQ(mesh.faces[2].normal.y, 0.0f);
    EXPECT_EQ(mesh.faces[2].normal.z, 0.0f);
    EXPECT_EQ(mesh.faces[3].normal.z, 1.0f);   // (0.5,0,0) x (0,1,0) has length 0.5
    const sVertex& edge = mesh.vertices[1];
    EXPECT_EQ(edge.faceCount, 2.0f);
    EXPECT_NEAR(std::sqrt(edge.nx * edge.nx + edge.ny * edge.ny + edge.nz * edge.nz), 0.7071f, 1e-4);

    // Invisible faces take no part; a vertex of no visible face keeps a
    // zero normal rather than 0 / 0.
    mesh.faces[1].visible = 0;
    mesh.ComputeNormals();
    EXPECT_EQ(mesh.vertices[3].faceCount, 0.0f);
    EXPECT_EQ(mesh.vertices[3].nx, 0.0f);
    EXPECT_FALSE(std::isnan(mesh.vertices[3].ny));
    EXPECT_EQ(mesh.vertices[1].nz, 1.0f);
}

}  // namespace
