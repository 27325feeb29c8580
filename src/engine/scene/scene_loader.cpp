// The scene file reader.
#include "engine/scene/scene_loader.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/render/engine.h"
#include "engine/render/mesh.h"
#include "engine/scene/camera.h"
#include "engine/scene/chunk_ids.h"
#include "engine/scene/chunk_payload.h"
#include "engine/scene/chunk_trace.h"
#include "engine/scene/helper.h"
#include "engine/scene/light.h"
#include "engine/scene/material_file.h"
#include "engine/scene/particle_file.h"
#include "engine/scene/scene.h"
#include "kernel/services.h"
#include "resources/file.h"

namespace {

uint16_t g_materialNumber = 0;

sKeyShape ReadShape(cChunkPayload& p) {
    sKeyShape s;
    s.tension = p.RawFloat();
    s.continuity = p.RawFloat();
    s.bias = p.RawFloat();
    s.easeTo = p.RawFloat();
    s.easeFrom = p.RawFloat();
    return s;
}

class cLoader {
public:
    cLoader(cScene& scene, std::span<const uint8_t> file, const char* fileName)
        : scene_(scene), file_(file), fileName_(fileName) {}

    void Run();

private:
    void Chunk(uint16_t id, cChunkPayload& p);
    template <typename T>
    T* NewNode(T* node);
    cSceneObject* Node(cChunkPayload& p);
    c3dObject* Mesh(cChunkPayload& p);
    cCamera* Camera(cChunkPayload& p);
    void Placement(cChunkPayload& p);
    void Parent(cChunkPayload& p);
    void VertexList(cChunkPayload& p);
    void FaceList(cChunkPayload& p);
    void TextureVertexList(cChunkPayload& p);
    void TextureFaceList(cChunkPayload& p);
    void ColourVertexList(cChunkPayload& p);
    void ColourFaceList(cChunkPayload& p);
    void BoneVertexList(cChunkPayload& p);
    void PositionTrack(cChunkPayload& p, std::unique_ptr<cPositionTrack>& track);
    void RotationTrack(cChunkPayload& p);
    void RollTrack(cChunkPayload& p);
    void Material(cChunkPayload& p);
    void Visibility(cChunkPayload& p);

    cScene& scene_;
    std::span<const uint8_t> file_;
    const char* fileName_;
    cSceneObject* current_ = nullptr;
    uint32_t globalFace_ = 0;
    // The counts a mesh announces, used by its lists; kept here rather than
    // in the mesh so that a count without its list leaves the mesh as it is.
    uint16_t vertexCount_ = 0, faceCount_ = 0;
    uint16_t textureVertexCount_ = 0, textureFaceCount_ = 0;
    uint16_t colourVertexCount_ = 0, colourFaceCount_ = 0;
    std::vector<cVector> textureVertices_;
    std::vector<cVector> colours_;
};

void cLoader::Run() {
    // Containers are walked with a stack of their ends instead of recursion,
    // so deep nesting in a damaged file cannot exhaust the stack. A child
    // never reaches past its container, so when the position arrives at the
    // innermost end that container is done.
    std::vector<size_t> ends{file_.size()};
    size_t position = 2;
    bool trace = ChunkTrace();
    for (;;) {
        while (!ends.empty() && position >= ends.back()) ends.pop_back();
        if (ends.empty()) break;
        size_t end = ends.back();
        if (end - position < kChunkHeaderBytes)
            FatalError("%s: chunk header at offset %zu runs past the end of its %s", fileName_, position,
                       ends.size() > 1 ? "container" : "file");
        const uint8_t* h = file_.data() + position;
        uint16_t id = static_cast<uint16_t>(h[0] | h[1] << 8);
        uint32_t length = static_cast<uint32_t>(h[2]) | static_cast<uint32_t>(h[3]) << 8 |
                          static_cast<uint32_t>(h[4]) << 16 | static_cast<uint32_t>(h[5]) << 24;
        const char* name = ChunkName(id);
        char unknown[32];
        if (!name) {
            std::snprintf(unknown, sizeof unknown, "chunk 0x%X", id);
            name = unknown;
        }
        if (length < kChunkHeaderBytes)
            FatalError("%s: %s at offset %zu: length %u is below the 6 header bytes", fileName_, name, position,
                       length);
        if (length > end - position)
            FatalError("%s: %s at offset %zu: its %u bytes run past the end of its %s", fileName_, name, position,
                       length, ends.size() > 1 ? "container" : "file");
        size_t chunkEnd = position + length;
        if (name == unknown) {
            if (trace) std::printf("Unknown chunk: 0x%X\n", id);
            position = chunkEnd;
            continue;
        }
        if (trace) std::printf("Found chunk: %s\n", name);
        cChunkPayload payload(file_, position + kChunkHeaderBytes, chunkEnd, fileName_, name, position);
        Chunk(id, payload);
        if (IsContainerChunk(id)) {
            ends.push_back(chunkEnd);
            position += kChunkHeaderBytes;
        } else {
            position = chunkEnd;
        }
    }
}

template <typename T>
T* cLoader::NewNode(T* node) {
    scene_.hierarchy.AppendTopLevel(node);
    current_ = node;
    vertexCount_ = faceCount_ = textureVertexCount_ = textureFaceCount_ = 0;
    colourVertexCount_ = colourFaceCount_ = 0;
    textureVertices_.clear();
    colours_.clear();
    return node;
}

cSceneObject* cLoader::Node(cChunkPayload& p) {
    if (!current_) p.Fail("there is no node to apply it to");
    return current_;
}

c3dObject* cLoader::Mesh(cChunkPayload& p) {
    if (Node(p)->kind != kNodeMesh) p.Fail("node %s is not a mesh", current_->name.CStr());
    return static_cast<c3dObject*>(current_);
}

cCamera* cLoader::Camera(cChunkPayload& p) {
    if (Node(p)->kind != kNodeCamera) p.Fail("node %s is not a camera", current_->name.CStr());
    return static_cast<cCamera*>(current_);
}

void cLoader::Chunk(uint16_t id, cChunkPayload& p) {
    switch (id) {
        case CHK_SCN:
            current_ = nullptr;
            break;
        case CHK_NAME:
            (current_ ? current_->name : scene_.name) = p.Name();
            break;
        case CHK_OBJ:
            NewNode(new c3dObject());
            break;
        case CHK_CAM:
            NewNode(new cCamera());
            break;
        case CHK_HLP:
            NewNode(new cHelper(kHelperPlain));
            break;
        case CHK_LIT:
            NewNode(new cLight(16.0f, true));
            break;
        case CHK_BONE:
            NewNode(new cHelper(kHelperBone));
            break;
        case CHK_HLP_CLASS: {
            p.Name();  // the class is not kept
            if (Node(p)->kind != kNodeHelper) p.Fail("node %s is not a helper", current_->name.CStr());
            static_cast<cHelper*>(current_)->helperKind = kHelperWithClass;
            break;
        }
        case CHK_MATRIX:
            Placement(p);
            break;
        case CHK_PARENT:
            Parent(p);
            break;
        case CHK_SCN_FRAMES:
            scene_.firstFrame = p.Word();
            scene_.lastFrame = p.Word();
            break;
        case CHK_CAM_FOV: {
            float radians = p.Float();
            Camera(p)->fov = radians * 0.31830987f * 180.0f;
            break;
        }
        case CHK_CAM_ROLL: {
            float roll = p.Float();
            Camera(p)->roll = roll;
            break;
        }
        case CHK_OBJ_MATNUM:
            g_materialNumber = p.Word();
            break;
        case CHK_OBJ_MESH:
        case CHK_KEY:
            break;
        case CHK_OBJ_NUMVERTEX:
            vertexCount_ = p.Word();
            Mesh(p);
            break;
        case CHK_OBJ_NUMFACES:
            faceCount_ = p.Word();
            Mesh(p);
            break;
        case CHK_OBJ_NUMTVERTEX:
            textureVertexCount_ = p.Word();
            Mesh(p);
            break;
        case CHK_OBJ_NUMTFACES:
            textureFaceCount_ = p.Word();
            Mesh(p);
            break;
        case CHK_OBJ_NUMCVERTEX:
            colourVertexCount_ = p.Word();
            Mesh(p);
            break;
        case CHK_OBJ_NUMCFACES:
            colourFaceCount_ = p.Word();
            Mesh(p);
            break;
        case CHK_OBJ_VERTEXLIST:
            VertexList(p);
            break;
        case CHK_OBJ_FACELIST:
            FaceList(p);
            break;
        case CHK_OBJ_TVERTEXLIST:
            TextureVertexList(p);
            break;
        case CHK_OBJ_TFACELIST:
            TextureFaceList(p);
            break;
        case CHK_OBJ_CVERTEXLIST:
            ColourVertexList(p);
            break;
        case CHK_OBJ_CFACELIST:
            ColourFaceList(p);
            break;
        case CHK_OBJ_BONEVERTEXLIST:
            BoneVertexList(p);
            break;
        case CHK_KEY_POSITION:
            PositionTrack(p, Node(p)->positionTrack);
            break;
        case CHK_KEY_SCALING:
            PositionTrack(p, Node(p)->scaleTrack);
            break;
        case CHK_KEY_ROTATION:
            RotationTrack(p);
            break;
        case CHK_KEY_ROLL:
            RollTrack(p);
            break;
        case CHK_MTL:
            Material(p);
            break;
        case CHK_VIS:
            Visibility(p);
            break;
        default:
            break;
    }
}

void cLoader::Placement(cChunkPayload& p) {
    cSceneObject* node = Node(p);
    cChunkPayload::TraceOff quiet(p);
    // The written record is 88 bytes; its last 12 carry nothing.
    p.Need(kPlacementReadBytes, "a placement");
    cMatrix m;
    for (auto& row : m.m)
        for (float& v : row) v = p.RawFloat();
    cVector position{p.RawFloat(), p.RawFloat(), p.RawFloat()};
    cVector scale{p.RawFloat(), p.RawFloat(), p.RawFloat()};
    float angle = p.RawFloat();
    float ax = p.RawFloat(), ay = p.RawFloat(), az = p.RawFloat();
    node->matrix = m;
    node->position = position;
    node->scale = scale;
    node->rotation = cQuat::FromAngleAxis(angle, ax, ay, az);
    node->KeepAsRest();
}

void cLoader::Parent(cChunkPayload& p) {
    String parentName = p.Name();
    cSceneObject* node = Node(p);
    node->parentName = parentName;
    cSceneObject* parent = scene_.FindNode(parentName);
    if (!parent) p.Fail("parent %s of node %s not found", parentName.CStr(), node->name.CStr());
    sHierarchyEntry* entry = scene_.hierarchy.Find(node);
    sHierarchyEntry* parentEntry = scene_.hierarchy.Find(parent);
    // Also catches a duplicate name that finds the node itself or one of its
    // own children, which would cut the subtree off the tree.
    if (cHierarchy::Within(parentEntry, entry))
        p.Fail("node %s cannot be placed under itself (parent %s)", node->name.CStr(), parentName.CStr());
    // The node moves with any children it already has.
    scene_.hierarchy.MoveUnder(entry, parentEntry);
    if (parent->kind == kNodeCamera) static_cast<cCamera*>(parent)->SetTarget(node);
}

void cLoader::VertexList(cChunkPayload& p) {
    c3dObject* mesh = Mesh(p);
    cChunkPayload::TraceOff quiet(p);
    // Faces point into the vertex arrays; replacing them under linked faces
    // would leave the faces pointing at freed memory.
    if (mesh->faceCount > 0) p.Fail("vertex list of mesh %s comes after its face list", mesh->name.CStr());
    p.Need(size_t{vertexCount_} * 12, "the vertex list");
    mesh->SetVertexCount(vertexCount_);
    for (sVertex& v : mesh->vertices) {
        v.x = p.RawFloat();
        v.y = p.RawFloat();
        v.z = p.RawFloat();
    }
}

void cLoader::FaceList(cChunkPayload& p) {
    c3dObject* mesh = Mesh(p);
    cChunkPayload::TraceOff quiet(p);
    p.Need(size_t{faceCount_} * kFaceBytes, "the face list");
    mesh->SetFaceCount(faceCount_);
    // A face's material index picks one of the sub-materials of the current
    // material number, wrapping around their count.
    uint32_t subMaterials = scene_.materials.CountOfNumber(g_materialNumber);
    for (uint32_t j = 0; j < faceCount_; ++j) {
        sPoly& face = mesh->faces[j];
        face.cornerCount = 3;
        for (sCorner& corner : std::span(face.corners, 3)) {
            corner.vertexIndex = p.RawWord();
            if (corner.vertexIndex >= mesh->vertexCount)
                p.Fail("face %u of mesh %s uses vertex %u of %u", j, mesh->name.CStr(), corner.vertexIndex,
                       static_cast<unsigned>(mesh->vertexCount));
            corner.u = corner.v = 0.0f;
        }
        face.flags = p.RawByte();
        uint16_t materialIndex = p.RawWord();
        face.index = j;
        face.globalNumber = globalFace_++;
        uint16_t sub = static_cast<uint16_t>(materialIndex % subMaterials);
        face.material = scene_.materials.FindByKey(g_materialNumber, sub);
        if (!face.material)
            p.Fail("face %u of mesh %s: no material with number %u and sub-material %u", j, mesh->name.CStr(),
                   static_cast<unsigned>(g_materialNumber), static_cast<unsigned>(sub));
    }
    mesh->LinkFaces();
    mesh->ComputeNormals();
}

void cLoader::TextureVertexList(cChunkPayload& p) {
    Mesh(p);
    cChunkPayload::TraceOff quiet(p);
    p.Need(size_t{textureVertexCount_} * 12, "the texture vertex list");
    textureVertices_.resize(textureVertexCount_);
    for (cVector& t : textureVertices_) {
        t.x = p.RawFloat();
        t.y = 1.0f - p.RawFloat();  // v runs up in the file, down in texture rows
        t.z = p.RawFloat();
    }
}

void cLoader::TextureFaceList(cChunkPayload& p) {
    c3dObject* mesh = Mesh(p);
    cChunkPayload::TraceOff quiet(p);
    p.Need(size_t{textureFaceCount_} * 6, "the texture face list");
    if (textureFaceCount_ > mesh->faceCount)
        p.Fail("%u texture faces for the %u faces of mesh %s", static_cast<unsigned>(textureFaceCount_),
               static_cast<unsigned>(mesh->faceCount), mesh->name.CStr());
    for (uint32_t j = 0; j < textureFaceCount_; ++j) {
        sPoly& face = mesh->faces[j];
        for (sCorner& corner : std::span(face.corners, 3)) {
            uint16_t t = p.RawWord();
            if (t >= textureVertices_.size())
                p.Fail("texture face %u of mesh %s uses texture vertex %u of %zu", j, mesh->name.CStr(), t,
                       textureVertices_.size());
            corner.u = textureVertices_[t].x;
            corner.v = textureVertices_[t].y;
        }
        face.material->flags |= kMaterialTextured;
    }
    textureVertices_.clear();
}

void cLoader::ColourVertexList(cChunkPayload& p) {
    Mesh(p);
    cChunkPayload::TraceOff quiet(p);
    p.Need(size_t{colourVertexCount_} * 12, "the colour vertex list");
    colours_.resize(colourVertexCount_);
    for (cVector& c : colours_) c = cVector{p.RawFloat(), p.RawFloat(), p.RawFloat()};
}

void cLoader::ColourFaceList(cChunkPayload& p) {
    c3dObject* mesh = Mesh(p);
    cChunkPayload::TraceOff quiet(p);
    p.Need(size_t{colourFaceCount_} * 6, "the colour face list");
    if (colourFaceCount_ > mesh->faceCount)
        p.Fail("%u colour faces for the %u faces of mesh %s", static_cast<unsigned>(colourFaceCount_),
               static_cast<unsigned>(mesh->faceCount), mesh->name.CStr());
    for (uint32_t j = 0; j < colourFaceCount_; ++j) {
        for (sCorner& corner : std::span(mesh->faces[j].corners, 3)) {
            uint16_t c = p.RawWord();
            if (c >= colours_.size())
                p.Fail("colour face %u of mesh %s uses colour vertex %u of %zu", j, mesh->name.CStr(), c,
                       colours_.size());
            // Into the transformed vertex the corner shares with other
            // faces: the colour written last stays.
            corner.transformed->r = colours_[c].x;
            corner.transformed->g = colours_[c].y;
            corner.transformed->b = colours_[c].z;
        }
    }
    colours_.clear();
}

void cLoader::BoneVertexList(cChunkPayload& p) {
    c3dObject* mesh = Mesh(p);
    cChunkPayload::TraceOff quiet(p);
    std::vector<cSceneObject*> bones(mesh->vertexCount);
    std::vector<cVector> offsets(mesh->vertexCount);
    for (uint32_t i = 0; i < mesh->vertexCount; ++i) {
        String boneName = p.Name();
        bones[i] = scene_.FindNode(boneName);
        if (!bones[i]) p.Fail("bone %s of vertex %u of mesh %s not found", boneName.CStr(), i, mesh->name.CStr());
        // Braces: the three reads must happen in order.
        offsets[i] = cVector{p.RawFloat(), p.RawFloat(), p.RawFloat()};
    }
    mesh->bones = std::move(bones);
    mesh->boneOffsets = std::move(offsets);
}

void cLoader::PositionTrack(cChunkPayload& p, std::unique_ptr<cPositionTrack>& slot) {
    cChunkPayload::TraceOff quiet(p);
    uint16_t keys = p.RawWord();
    p.Need(size_t{keys} * kPositionKeyBytes, "the keys");
    auto track = std::make_unique<cPositionTrack>();
    for (uint16_t k = 0; k < keys; ++k) {
        float frame = p.RawWord();
        cVector value{p.RawFloat(), p.RawFloat(), p.RawFloat()};
        track->AddKey(frame, value, ReadShape(p));
    }
    track->Setup();
    slot = std::move(track);
}

void cLoader::RotationTrack(cChunkPayload& p) {
    cSceneObject* node = Node(p);
    cChunkPayload::TraceOff quiet(p);
    uint16_t keys = p.RawWord();
    p.Need(size_t{keys} * kRotationKeyBytes, "the keys");
    auto track = std::make_unique<cRotationTrack>();
    for (uint16_t k = 0; k < keys; ++k) {
        float frame = p.RawWord();
        // Axis first, then the angle (the placement has them the other way).
        cVector axis{p.RawFloat(), p.RawFloat(), p.RawFloat()};
        float angle = p.RawFloat();
        track->AddRelativeKey(frame, angle, axis, ReadShape(p));
    }
    track->Setup();
    node->rotationTrack = std::move(track);
}

void cLoader::RollTrack(cChunkPayload& p) {
    cCamera* camera = Camera(p);
    cChunkPayload::TraceOff quiet(p);
    uint16_t keys = p.RawWord();
    p.Need(size_t{keys} * kRollKeyBytes, "the keys");
    auto track = std::make_unique<cPositionTrack>();
    for (uint16_t k = 0; k < keys; ++k) {
        float frame = p.RawWord();
        float roll = p.RawFloat();
        track->AddKey(frame, cVector(roll, roll, roll), ReadShape(p));
    }
    track->Setup();
    camera->rollTrack = std::move(track);
}

void cLoader::Material(cChunkPayload& p) {
    String name = p.Name();
    String textureName = p.Name();
    String secondName = p.Name();
    float amount = p.Float();
    uint16_t number = p.Word();
    uint16_t sub = p.Word();
    uint16_t flags = p.Word();
    sTexture* texture = nullptr;
    sTexture* second = nullptr;
    if (!textureName.Empty()) texture = scene_.renderer->LoadTexture(textureName + ".jpg", 0, 0);
    if (!secondName.Empty()) second = scene_.renderer->LoadTexture(secondName + ".jpg", texture ? 1 : 0, 0);
    scene_.materials.Add(name, texture, second, number, sub, flags);
    if (second) {
        scene_.materials.SetFlagsByName(name, kMaterialHasSecondMap);
        scene_.materials.SetSecondMapAmountByName(name, amount);
    }
}

void cLoader::Visibility(cChunkPayload& p) {
    String cameraName = p.Name();
    cSceneObject* node = scene_.FindNode(cameraName);
    if (!node || node->kind != kNodeCamera) p.Fail("%s names no camera", cameraName.CStr());
    if (scene_.lastFrame < scene_.firstFrame)
        p.Fail("the scene's last frame %u comes before its first frame %u", scene_.lastFrame, scene_.firstFrame);
    uint32_t faces = 0;
    scene_.hierarchy.ForEach([&](sHierarchyEntry& e) {
        if (e.object->kind == kNodeMesh) faces += static_cast<c3dObject*>(e.object)->faceCount;
    });
    auto vis = std::make_unique<sVisibility>();
    vis->frames = static_cast<uint32_t>(scene_.lastFrame - scene_.firstFrame) + 1;
    vis->bytesPerFrame = faces / 8 + 1;
    size_t bytes = size_t{vis->frames} * vis->bytesPerFrame;
    p.Need(bytes, "the visibility bitmaps");
    vis->bits.resize(bytes);
    cChunkPayload::TraceOff quiet(p);
    for (uint8_t& b : vis->bits) b = p.RawByte();
    static_cast<cCamera*>(node)->visibility = std::move(vis);
}

}  // namespace

void SetLoaderMaterialNumber(uint16_t number) { g_materialNumber = number; }

void LoadSceneChunks(cScene& scene, std::span<const uint8_t> file, const char* fileName) {
    if (file.size() < 2) FatalError("%s: too short for its version (%zu bytes)", fileName, file.size());
    if (file[1] != kSceneFileVersion) FatalError("Incorrect file version!");
    if (!scene.renderer) FatalError("%s: the scene has no engine to load textures with", fileName);
    cLoader(scene, file, fileName).Run();
    scene.hierarchy.ForEach([](sHierarchyEntry& e) { e.object->KeepAsRest(); });
}

bool Load(cScene& scene, const char* baseName, bool withParticles) {
    std::string fileName = std::string(baseName) + ".ooz";
    sFileHandle file = FileOpen(fileName.c_str());
    LoadSceneChunks(scene, std::span<const uint8_t>(file.data.data(), file.data.size()), fileName.c_str());
    FileClose(file);
    ReadMaterialFile(scene.materials, baseName);
    if (withParticles) ReadParticleFile(scene, baseName);
    return true;
}
