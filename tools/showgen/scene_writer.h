// Writes scene files (".ooz") chunk by chunk, and the material (".mtl") and
// particle (".ini") text that goes beside them. The show generator builds
// the show's scenes with it; tests build their fixtures with it, including
// damaged ones through the raw chunk writer.
//
// Chunks come out in the order of the calls; the loader needs materials
// before the meshes that use them, parents and bones before the nodes that
// name them, and the frame range and every mesh before a visibility chunk.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/scene/chunk_ids.h"
#include "engine/scene/track.h"

// Chunks with their lengths filled in when they are closed.
class cChunkWriter {
public:
    void Begin(uint16_t id);  // header with the length left open
    void End();               // closes the innermost open chunk
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void F32(float v);
    // A length byte and the text, at most 255 bytes of it.
    void Name(const std::string& text);
    void Raw(const std::vector<uint8_t>& data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
    // A chunk with only a name, a word, a float.
    void NameChunk(uint16_t id, const std::string& text);
    void WordChunk(uint16_t id, uint16_t v);
    void FloatChunk(uint16_t id, float v);

    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    std::vector<size_t> open_;
};

using Vec3 = std::array<float, 3>;

struct sPlacementOut {
    std::array<float, 9> matrix{1, 0, 0, 0, 1, 0, 0, 0, 1};
    Vec3 position{0, 0, 0};
    Vec3 scale{1, 1, 1};
    float angle = 0.0f;  // radians about `axis`
    Vec3 axis{0, 0, 1};
};

struct sKeyOut {  // position and scaling keys
    uint16_t frame = 0;
    Vec3 value{0, 0, 0};
    sKeyShape shape;
};

struct sRotationKeyOut {  // relative to the previous key
    uint16_t frame = 0;
    Vec3 axis{0, 0, 1};
    float angle = 0.0f;
    sKeyShape shape;
};

struct sRollKeyOut {
    uint16_t frame = 0;
    float roll = 0.0f;
    sKeyShape shape;
};

struct sNodeOut {
    std::string name{};
    std::string parent{};  // empty: top level
    std::optional<sPlacementOut> placement = sPlacementOut{};
    std::vector<sKeyOut> position{};
    std::vector<sRotationKeyOut> rotation{};
    std::vector<sKeyOut> scaling{};
};

struct sFaceOut {
    uint16_t a = 0, b = 0, c = 0;
    uint8_t flags = 0;
    uint16_t material = 0;  // picks a sub-material of the mesh's material number
};

struct sBoneVertexOut {
    std::string bone{};
    Vec3 offset{0, 0, 0};
};

struct sMeshOut : sNodeOut {
    std::optional<uint16_t> materialNumber{};  // without it the previous object's number applies
    std::vector<Vec3> vertices{};
    std::vector<sFaceOut> faces{};
    std::vector<Vec3> textureVertices{};  // u, v (up), w
    std::vector<std::array<uint16_t, 3>> textureFaces{};
    std::vector<Vec3> colourVertices{};
    std::vector<std::array<uint16_t, 3>> colourFaces{};
    std::vector<sBoneVertexOut> boneVertices{};  // one per vertex, or none
};

struct sCameraOut : sNodeOut {
    std::optional<float> fov{};  // radians
    std::optional<float> roll{};
    std::vector<sRollKeyOut> rollKeys{};
};

struct sHelperOut : sNodeOut {
    std::string className{};  // written as a class chunk when not empty
};

struct sMaterialOut {
    std::string name{};
    std::string texture{};    // without ".jpg"; empty for none
    std::string secondMap{};  // likewise
    float secondMapAmount = 0.3f;
    uint16_t number = 0;
    uint16_t sub = 0;
    uint16_t flags = 0;
};

class cSceneWriter {
public:
    cSceneWriter();  // the version bytes

    // A scene container with the scene's name and frame range.
    void Scene(const std::string& name, uint16_t firstFrame, uint16_t lastFrame);
    void Material(const sMaterialOut& m);
    void Mesh(const sMeshOut& mesh);
    void Camera(const sCameraOut& camera);
    void Helper(const sHelperOut& helper);
    void Bone(const sNodeOut& bone);
    void Light(const sNodeOut& light);
    // One bitmap per frame of the scene's range, each (mesh faces / 8) + 1 bytes.
    void Visibility(const std::string& camera, const std::vector<std::vector<uint8_t>>& bitmaps);

    cChunkWriter& Chunks() { return chunks_; }
    const std::vector<uint8_t>& Bytes() { return chunks_.Bytes(); }
    bool Save(const std::string& path, std::string* error);

private:
    void NodeBody(const sNodeOut& node);
    void Tracks(const sNodeOut& node, const std::vector<sRollKeyOut>* roll);

    cChunkWriter chunks_;
};

// The material file.
struct sMaterialBlockOut {
    std::string name{};
    std::string mapping{};  // one letter, or empty
    std::string shading{};
    std::string glenz{};
    std::optional<Vec3> colour{};
};
std::string MaterialFileText(const std::vector<sMaterialBlockOut>& blocks);

// The particle file.
struct sSecondaryFlareOut {
    std::string file{};
    float positionX = 0, positionY = 0, sizeX = 1, sizeY = 1;
    bool noScale = false;
};

struct sLightSectionOut {
    std::string name{};
    std::string file{};  // the flare texture, with its extension
    std::vector<sSecondaryFlareOut> secondary{};
    std::optional<float> size{};
    bool noHide = false;
    bool dynamic = false;
    std::optional<float> intensity{};
    std::optional<Vec3> colour{};
};

struct sEmitterSectionOut {
    std::string name{};
    std::string file{};
    std::optional<float> size{}, density{}, life{};
    std::optional<Vec3> speed{}, gravity{};
};

struct sParticleFileOut {
    std::optional<float> fps{};
    std::optional<float> fog{};
    std::optional<Vec3> ambient{};
    std::vector<sLightSectionOut> lights{};
    std::vector<sEmitterSectionOut> emitters{};
};
std::string ParticleFileText(const sParticleFileOut& file);
