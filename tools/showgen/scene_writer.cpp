// The scene file writer and the text of its companion files.
#include "scene_writer.h"

#include <bit>
#include <cstdio>
#include <fstream>

namespace {

std::string Number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
    return text;
}

std::string Numbers(const Vec3& v) { return Number(v[0]) + " " + Number(v[1]) + " " + Number(v[2]); }

}  // namespace

void cChunkWriter::Begin(uint16_t id) {
    U16(id);
    open_.push_back(bytes_.size());
    U32(0);
}

void cChunkWriter::End() {
    size_t at = open_.back();
    open_.pop_back();
    // The length counts the id before it and the length itself.
    uint32_t length = static_cast<uint32_t>(bytes_.size() - at + 2);
    for (int i = 0; i < 4; ++i) bytes_[at + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
}

void cChunkWriter::U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
}

void cChunkWriter::U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
}

void cChunkWriter::F32(float v) { U32(std::bit_cast<uint32_t>(v)); }

void cChunkWriter::Name(const std::string& text) {
    size_t n = std::min<size_t>(text.size(), 255);
    U8(static_cast<uint8_t>(n));
    bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
}

void cChunkWriter::NameChunk(uint16_t id, const std::string& text) {
    Begin(id);
    Name(text);
    End();
}

void cChunkWriter::WordChunk(uint16_t id, uint16_t v) {
    Begin(id);
    U16(v);
    End();
}

void cChunkWriter::FloatChunk(uint16_t id, float v) {
    Begin(id);
    F32(v);
    End();
}

cSceneWriter::cSceneWriter() {
    chunks_.U8(0);
    chunks_.U8(kSceneFileVersion);
}

void cSceneWriter::Scene(const std::string& name, uint16_t firstFrame, uint16_t lastFrame) {
    chunks_.Begin(CHK_SCN);
    chunks_.NameChunk(CHK_NAME, name);
    chunks_.Begin(CHK_SCN_FRAMES);
    chunks_.U16(firstFrame);
    chunks_.U16(lastFrame);
    chunks_.End();
    chunks_.End();
}

void cSceneWriter::Material(const sMaterialOut& m) {
    chunks_.Begin(CHK_MTL);
    chunks_.Name(m.name);
    chunks_.Name(m.texture);
    chunks_.Name(m.secondMap);
    chunks_.F32(m.secondMapAmount);
    chunks_.U16(m.number);
    chunks_.U16(m.sub);
    chunks_.U16(m.flags);
    chunks_.End();
}

void cSceneWriter::NodeBody(const sNodeOut& node) {
    chunks_.NameChunk(CHK_NAME, node.name);
    if (node.placement) {
        const sPlacementOut& p = *node.placement;
        chunks_.Begin(CHK_MATRIX);
        for (float v : p.matrix) chunks_.F32(v);
        for (float v : p.position) chunks_.F32(v);
        for (float v : p.scale) chunks_.F32(v);
        chunks_.F32(p.angle);
        for (float v : p.axis) chunks_.F32(v);
        for (uint32_t i = kPlacementReadBytes; i < kPlacementBytes; ++i) chunks_.U8(0);
        chunks_.End();
    }
    if (!node.parent.empty()) chunks_.NameChunk(CHK_PARENT, node.parent);
}

void cSceneWriter::Tracks(const sNodeOut& node, const std::vector<sRollKeyOut>* roll) {
    bool any = !node.position.empty() || !node.rotation.empty() || !node.scaling.empty() || (roll && !roll->empty());
    if (!any) return;
    auto shape = [&](const sKeyShape& s) {
        chunks_.F32(s.tension);
        chunks_.F32(s.continuity);
        chunks_.F32(s.bias);
        chunks_.F32(s.easeTo);
        chunks_.F32(s.easeFrom);
    };
    auto positionType = [&](uint16_t id, const std::vector<sKeyOut>& keys) {
        if (keys.empty()) return;
        chunks_.Begin(id);
        chunks_.U16(static_cast<uint16_t>(keys.size()));
        for (const sKeyOut& k : keys) {
            chunks_.U16(k.frame);
            for (float v : k.value) chunks_.F32(v);
            shape(k.shape);
        }
        chunks_.End();
    };
    chunks_.Begin(CHK_KEY);
    positionType(CHK_KEY_POSITION, node.position);
    if (!node.rotation.empty()) {
        chunks_.Begin(CHK_KEY_ROTATION);
        chunks_.U16(static_cast<uint16_t>(node.rotation.size()));
        for (const sRotationKeyOut& k : node.rotation) {
            chunks_.U16(k.frame);
            for (float v : k.axis) chunks_.F32(v);
            chunks_.F32(k.angle);
            shape(k.shape);
        }
        chunks_.End();
    }
    positionType(CHK_KEY_SCALING, node.scaling);
    if (roll && !roll->empty()) {
        chunks_.Begin(CHK_KEY_ROLL);
        chunks_.U16(static_cast<uint16_t>(roll->size()));
        for (const sRollKeyOut& k : *roll) {
            chunks_.U16(k.frame);
            chunks_.F32(k.roll);
            shape(k.shape);
        }
        chunks_.End();
    }
    chunks_.End();
}

void cSceneWriter::Mesh(const sMeshOut& mesh) {
    chunks_.Begin(CHK_OBJ);
    NodeBody(mesh);
    if (mesh.materialNumber) chunks_.WordChunk(CHK_OBJ_MATNUM, *mesh.materialNumber);
    chunks_.Begin(CHK_OBJ_MESH);
    chunks_.WordChunk(CHK_OBJ_NUMVERTEX, static_cast<uint16_t>(mesh.vertices.size()));
    chunks_.Begin(CHK_OBJ_VERTEXLIST);
    for (const Vec3& v : mesh.vertices)
        for (float c : v) chunks_.F32(c);
    chunks_.End();
    chunks_.WordChunk(CHK_OBJ_NUMFACES, static_cast<uint16_t>(mesh.faces.size()));
    chunks_.Begin(CHK_OBJ_FACELIST);
    for (const sFaceOut& f : mesh.faces) {
        chunks_.U16(f.a);
        chunks_.U16(f.b);
        chunks_.U16(f.c);
        chunks_.U8(f.flags);
        chunks_.U16(f.material);
    }
    chunks_.End();
    auto vertexList = [&](uint16_t countId, uint16_t listId, const std::vector<Vec3>& list) {
        chunks_.WordChunk(countId, static_cast<uint16_t>(list.size()));
        chunks_.Begin(listId);
        for (const Vec3& v : list)
            for (float c : v) chunks_.F32(c);
        chunks_.End();
    };
    auto faceList = [&](uint16_t countId, uint16_t listId, const std::vector<std::array<uint16_t, 3>>& list) {
        chunks_.WordChunk(countId, static_cast<uint16_t>(list.size()));
        chunks_.Begin(listId);
        for (const auto& f : list)
            for (uint16_t i : f) chunks_.U16(i);
        chunks_.End();
    };
    if (!mesh.textureFaces.empty()) {
        vertexList(CHK_OBJ_NUMTVERTEX, CHK_OBJ_TVERTEXLIST, mesh.textureVertices);
        faceList(CHK_OBJ_NUMTFACES, CHK_OBJ_TFACELIST, mesh.textureFaces);
    }
    if (!mesh.colourFaces.empty()) {
        vertexList(CHK_OBJ_NUMCVERTEX, CHK_OBJ_CVERTEXLIST, mesh.colourVertices);
        faceList(CHK_OBJ_NUMCFACES, CHK_OBJ_CFACELIST, mesh.colourFaces);
    }
    if (!mesh.boneVertices.empty()) {
        chunks_.Begin(CHK_OBJ_BONEVERTEXLIST);
        for (const sBoneVertexOut& b : mesh.boneVertices) {
            chunks_.Name(b.bone);
            for (float c : b.offset) chunks_.F32(c);
        }
        chunks_.End();
    }
    chunks_.End();
    Tracks(mesh, nullptr);
    chunks_.End();
}

void cSceneWriter::Camera(const sCameraOut& camera) {
    chunks_.Begin(CHK_CAM);
    NodeBody(camera);
    if (camera.fov) chunks_.FloatChunk(CHK_CAM_FOV, *camera.fov);
    if (camera.roll) chunks_.FloatChunk(CHK_CAM_ROLL, *camera.roll);
    Tracks(camera, &camera.rollKeys);
    chunks_.End();
}

void cSceneWriter::Helper(const sHelperOut& helper) {
    chunks_.Begin(CHK_HLP);
    NodeBody(helper);
    if (!helper.className.empty()) chunks_.NameChunk(CHK_HLP_CLASS, helper.className);
    Tracks(helper, nullptr);
    chunks_.End();
}

void cSceneWriter::Bone(const sNodeOut& bone) {
    chunks_.Begin(CHK_BONE);
    NodeBody(bone);
    Tracks(bone, nullptr);
    chunks_.End();
}

void cSceneWriter::Light(const sNodeOut& light) {
    chunks_.Begin(CHK_LIT);
    NodeBody(light);
    Tracks(light, nullptr);
    chunks_.End();
}

void cSceneWriter::Visibility(const std::string& camera, const std::vector<std::vector<uint8_t>>& bitmaps) {
    chunks_.Begin(CHK_VIS);
    chunks_.Name(camera);
    for (const auto& bitmap : bitmaps) chunks_.Raw(bitmap);
    chunks_.End();
}

bool cSceneWriter::Save(const std::string& path, std::string* error) {
    std::ofstream out(path, std::ios::binary);
    const std::vector<uint8_t>& bytes = chunks_.Bytes();
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        if (error) *error = "cannot write " + path;
        return false;
    }
    return true;
}

std::string MaterialFileText(const std::vector<sMaterialBlockOut>& blocks) {
    std::string text;
    for (const sMaterialBlockOut& b : blocks) {
        text += "material {\n  name " + b.name + "\n";
        if (!b.mapping.empty()) text += "  mapping " + b.mapping + "\n";
        if (!b.shading.empty()) text += "  shading " + b.shading + "\n";
        if (!b.glenz.empty()) text += "  glenz " + b.glenz + "\n";
        if (b.colour) {
            text += "  red " + Number((*b.colour)[0]) + "\n";
            text += "  green " + Number((*b.colour)[1]) + "\n";
            text += "  blue " + Number((*b.colour)[2]) + "\n";
        }
        text += "}\n";
    }
    return text;
}

std::string ParticleFileText(const sParticleFileOut& file) {
    std::string text;
    if (file.fps) text += "fps " + Number(*file.fps) + "\n";
    if (file.fog) text += "fog " + Number(*file.fog) + "\n";
    if (file.ambient) text += "ambient " + Numbers(*file.ambient) + "\n";
    for (const sLightSectionOut& l : file.lights) {
        text += "light {\n  name " + l.name + "\n";
        if (!l.file.empty()) text += "  filename " + l.file + "\n";
        for (const sSecondaryFlareOut& s : l.secondary)
            text += "  secondary " + s.file + " " + Number(s.positionX) + " " + Number(s.positionY) + " " +
                    Number(s.sizeX) + " " + Number(s.sizeY) + (s.noScale ? " noscale" : "") + "\n";
        if (l.size) text += "  size " + Number(*l.size) + "\n";
        if (l.noHide) text += "  nohide\n";
        if (l.dynamic) text += "  dynamic\n";
        if (l.intensity) text += "  intensity " + Number(*l.intensity) + "\n";
        if (l.colour) text += "  color " + Numbers(*l.colour) + "\n";
        text += "}\n";
    }
    for (const sEmitterSectionOut& e : file.emitters) {
        text += "emitter {\n  name " + e.name + "\n";
        if (!e.file.empty()) text += "  filename " + e.file + "\n";
        if (e.size) text += "  size " + Number(*e.size) + "\n";
        if (e.density) text += "  density " + Number(*e.density) + "\n";
        if (e.life) text += "  life " + Number(*e.life) + "\n";
        if (e.speed) text += "  speed " + Numbers(*e.speed) + "\n";
        if (e.gravity) text += "  gravity " + Numbers(*e.gravity) + "\n";
        text += "}\n";
    }
    return text;
}
