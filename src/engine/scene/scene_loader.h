// The scene loader: reads base name + ".ooz" chunk by chunk into a scene,
// then the material file (".mtl") and, when asked, the particle file
// (".ini"). Every malformed input ends the program through FatalError with
// a message naming the file and the chunk; nothing is read out of bounds.
#pragma once

#include <cstdint>
#include <span>

class cScene;

// Always returns true; every failure is fatal.
bool Load(cScene& scene, const char* baseName, bool withParticles);

// The chunk part of Load on a file already in memory (version bytes
// included), then the rest placement of every node; no material or
// particle file. `fileName` names the file in messages.
void LoadSceneChunks(cScene& scene, std::span<const uint8_t> file, const char* fileName);

// The material number of CHK_OBJ_MATNUM carries over from one object to the
// next and from one load to the next; an object without its own number uses
// the last one read. Tests reset it.
void SetLoaderMaterialNumber(uint16_t number);
