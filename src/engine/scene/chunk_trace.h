// The scene loader's chunk trace: when on, the loader prints every chunk it
// meets and every single value it reads to standard output. On at program
// start; constructing the engine switches it off.
#pragma once

bool ChunkTrace();
void SetChunkTrace(bool on);
