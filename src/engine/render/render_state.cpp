// The renderer's module state.
#include "engine/render/render_state.h"

int32_t g_targetWidth = 0;
int32_t g_targetHeight = 0;
