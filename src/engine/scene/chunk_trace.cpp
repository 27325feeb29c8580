// The chunk trace switch.
#include "engine/scene/chunk_trace.h"

namespace {

bool g_chunkTrace = true;

}  // namespace

bool ChunkTrace() { return g_chunkTrace; }
void SetChunkTrace(bool on) { g_chunkTrace = on; }
