// The chunk kinds of the scene file (".ooz"). All values little-endian; a
// chunk is a u16 id, a u32 length counting the 6 header bytes, then its
// payload, or for containers its child chunks. The file starts with two
// version bytes, the second of which is 2.
#pragma once

#include <cstdint>

enum eChunkId : uint16_t {
    CHK_NAME = 0x0001,
    CHK_MATRIX = 0x0002,
    CHK_PARENT = 0x0010,
    CHK_SCN = 0x1000,
    CHK_SCN_FRAMES = 0x1001,
    CHK_OBJ = 0x2000,
    CHK_OBJ_MATNUM = 0x2001,
    CHK_OBJ_MESH = 0x2100,
    CHK_OBJ_NUMVERTEX = 0x2101,
    CHK_OBJ_NUMTVERTEX = 0x2102,
    CHK_OBJ_NUMFACES = 0x2103,
    CHK_OBJ_NUMTFACES = 0x2104,
    CHK_OBJ_NUMCVERTEX = 0x2105,
    CHK_OBJ_NUMCFACES = 0x2106,
    CHK_OBJ_VERTEXLIST = 0x2110,
    CHK_OBJ_TVERTEXLIST = 0x2111,
    CHK_OBJ_FACELIST = 0x2112,
    CHK_OBJ_TFACELIST = 0x2113,
    CHK_OBJ_CVERTEXLIST = 0x2114,
    CHK_OBJ_CFACELIST = 0x2115,
    CHK_OBJ_BONEVERTEXLIST = 0x2116,
    CHK_CAM = 0x3000,
    CHK_CAM_FOV = 0x3001,
    CHK_CAM_ROLL = 0x3002,
    CHK_HLP = 0x4000,
    CHK_HLP_CLASS = 0x4001,
    CHK_LIT = 0x5000,
    CHK_BONE = 0x6000,
    CHK_KEY = 0x7000,
    CHK_KEY_POSITION = 0x7001,
    CHK_KEY_ROTATION = 0x7002,
    CHK_KEY_SCALING = 0x7003,
    CHK_KEY_ROLL = 0x7004,
    CHK_MTL = 0x8000,
    CHK_VIS = 0x9000,
};

constexpr uint8_t kSceneFileVersion = 2;
constexpr uint32_t kChunkHeaderBytes = 6;

// Payload sizes of the fixed records.
constexpr uint32_t kPlacementBytes = 88;      // as written; the loader reads the first 76
constexpr uint32_t kPlacementReadBytes = 76;  // matrix 36, position 12, scale 12, rotation 16
constexpr uint32_t kPositionKeyBytes = 34;
constexpr uint32_t kRotationKeyBytes = 38;
constexpr uint32_t kRollKeyBytes = 26;
constexpr uint32_t kFaceBytes = 9;

// The chunk's name ("CHK_OBJ_MESH"), or nullptr for an unknown id.
const char* ChunkName(uint16_t id);
// Kinds whose children are read.
bool IsContainerChunk(uint16_t id);
