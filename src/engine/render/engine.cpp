// Construction of the software engine.
#include "engine/render/engine.h"

#include "engine/render/lines.h"
#include "engine/render/polygon_routines.h"
#include "engine/render/render_state.h"
#include "engine/scene/chunk_trace.h"

cEngineSoftware* g_engine = nullptr;

cEngineSoftware::cEngineSoftware(int32_t width, int32_t height, const String& basePath) {
    SetChunkTrace(false);
    g_targetWidth = width;
    g_targetHeight = height;
    SetLineColor(1.0f, 1.0f, 1.0f);
    textures_ = std::make_unique<cTexturesSoftware>(basePath);
    FillRoutineTable();
}

sTexture* cEngineSoftware::LoadTexture(const String& name, uint32_t a, uint32_t b) {
    return textures_->Load(name, a, b);
}

void cEngineSoftware::ReleaseTextures() { textures_->ReleaseAll(); }
