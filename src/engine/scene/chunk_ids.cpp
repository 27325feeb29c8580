// Names of the scene file's chunk kinds.
#include "engine/scene/chunk_ids.h"

const char* ChunkName(uint16_t id) {
    switch (id) {
#define NAME_OF(chunk) \
    case chunk:        \
        return #chunk;
        NAME_OF(CHK_NAME)
        NAME_OF(CHK_MATRIX)
        NAME_OF(CHK_PARENT)
        NAME_OF(CHK_SCN)
        NAME_OF(CHK_SCN_FRAMES)
        NAME_OF(CHK_OBJ)
        NAME_OF(CHK_OBJ_MATNUM)
        NAME_OF(CHK_OBJ_MESH)
        NAME_OF(CHK_OBJ_NUMVERTEX)
        NAME_OF(CHK_OBJ_NUMTVERTEX)
        NAME_OF(CHK_OBJ_NUMFACES)
        NAME_OF(CHK_OBJ_NUMTFACES)
        NAME_OF(CHK_OBJ_NUMCVERTEX)
        NAME_OF(CHK_OBJ_NUMCFACES)
        NAME_OF(CHK_OBJ_VERTEXLIST)
        NAME_OF(CHK_OBJ_TVERTEXLIST)
        NAME_OF(CHK_OBJ_FACELIST)
        NAME_OF(CHK_OBJ_TFACELIST)
        NAME_OF(CHK_OBJ_CVERTEXLIST)
        NAME_OF(CHK_OBJ_CFACELIST)
        NAME_OF(CHK_OBJ_BONEVERTEXLIST)
        NAME_OF(CHK_CAM)
        NAME_OF(CHK_CAM_FOV)
        NAME_OF(CHK_CAM_ROLL)
        NAME_OF(CHK_HLP)
        NAME_OF(CHK_HLP_CLASS)
        NAME_OF(CHK_LIT)
        NAME_OF(CHK_BONE)
        NAME_OF(CHK_KEY)
        NAME_OF(CHK_KEY_POSITION)
        NAME_OF(CHK_KEY_ROTATION)
        NAME_OF(CHK_KEY_SCALING)
        NAME_OF(CHK_KEY_ROLL)
        NAME_OF(CHK_MTL)
        NAME_OF(CHK_VIS)
#undef NAME_OF
    }
    return nullptr;
}

bool IsContainerChunk(uint16_t id) {
    switch (id) {
        case CHK_SCN:
        case CHK_OBJ:
        case CHK_OBJ_MESH:
        case CHK_CAM:
        case CHK_HLP:
        case CHK_LIT:
        case CHK_BONE:
        case CHK_KEY:
            return true;
        default:
            return false;
    }
}
