// Particle systems: a ring of small flare lights emitted from a node at a
// fixed rate, each flying off with a random velocity and fading out over
// its life. The storage is fixed when the system is built; nothing is
// allocated per frame.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/scene/vector.h"
#include "support/string.h"

class cCamera;
class cLight;
class cScene;
class cSceneObject;

struct sParticleInfo {
    String texture = "flare.jpg";
    uint8_t flag = 0;  // never set, never read
    float size = 32.0f;
    float density = 2.0f;  // particles per frame
    float life = 150.0f;   // frames
    cVector speed{1.0f, 1.0f, 1.0f};
    cVector gravity;
};

struct sParticle {
    std::unique_ptr<cLight> light;
    cVector start;
    cVector velocity;
    float birth = 0.0f;
    uint8_t alive = 0;
};

// trunc(density x life), or 0 when the product is not a positive number.
uint32_t ParticleCount(float density, float life);

class cParticleSystem {
public:
    // ParticleCount(density, life) particles, each a hidden flare light of
    // the given size with the material "particle_" + the emitter's name
    // (added with the texture, loaded as named); all dead at the start.
    cParticleSystem(cSceneObject* emitter, const sParticleInfo& info);
    ~cParticleSystem();

    // Emits one particle per emission interval up to `frame`.
    void Update(float frame);
    // Moves and fades every live particle and transforms its light; a
    // particle whose brightness runs out dies (after this last transform).
    void Transform(cCamera* camera);
    void Collect();

    uint32_t Count() const { return static_cast<uint32_t>(particles.size()); }

    std::vector<sParticle> particles;
    cScene* scene;
    float time = 0.0f;
    cSceneObject* emitter;
    uint32_t nextSlot = 0;
    sParticleInfo info;
    float interval;         // 1 / density
    float reciprocalLife;   // 1 / life
    float nextEmission = 0.0f;

private:
    void Spawn();
};

// Builds a particle system for the node, replacing any it had.
void AttachParticleSystem(cSceneObject* node, const sParticleInfo& info);
