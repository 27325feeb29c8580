// Particle emission and motion.
#include "engine/scene/particles.h"

#include <cmath>

#include "engine/render/engine.h"
#include "engine/scene/light.h"
#include "engine/scene/scene.h"
#include "support/random.h"

uint32_t ParticleCount(float density, float life) {
    double n = std::trunc(static_cast<double>(density) * static_cast<double>(life));
    if (!(n > 0.0)) return 0;
    return n > 4294967295.0 ? 4294967295u : static_cast<uint32_t>(n);
}

cParticleSystem::cParticleSystem(cSceneObject* node, const sParticleInfo& particleInfo)
    : scene(node->scene),
      emitter(node),
      info(particleInfo),
      interval(1.0f / particleInfo.density),
      reciprocalLife(1.0f / particleInfo.life) {
    String materialName(std::string("particle_") + node->name.Str());
    sMaterial* material = nullptr;
    if (scene && scene->renderer) {
        sTexture* texture = scene->renderer->LoadTexture(info.texture, 0, 0);
        scene->materials.Add(materialName, texture, nullptr, 0xFFFF, 0xFFFF, kMaterialAlwaysDrawn);
        material = scene->materials.FindByName(materialName);
    }
    particles.resize(ParticleCount(info.density, info.life));
    for (sParticle& p : particles) {
        p.light = std::make_unique<cLight>(info.size, false);
        p.light->scene = scene;
        p.light->flareMaterial = material;
        p.light->Hide(true);
    }
}

cParticleSystem::~cParticleSystem() = default;

void cParticleSystem::Update(float frame) {
    time = frame;
    // Without particles, or without a positive interval, nothing is emitted
    // (and the loop below would never end for an interval of 0 or less).
    if (particles.empty() || !(interval > 0.0f)) return;
    // After a long jump in time only the last N emissions survive in the
    // ring; skip the ones that would be overwritten before this update ends
    // instead of emitting each of them.
    double pending = (static_cast<double>(frame) - nextEmission) / interval;
    double n = static_cast<double>(particles.size());
    if (pending > n + 2.0) {
        double skip = std::floor(pending) - n - 1.0;
        nextEmission = static_cast<float>(nextEmission + skip * interval);
        nextSlot = static_cast<uint32_t>((nextSlot + static_cast<uint64_t>(std::fmod(skip, n))) % particles.size());
    }
    while (nextEmission < frame) {
        Spawn();
        float advanced = nextEmission + interval;
        if (advanced == nextEmission) break;  // too small a step to count in floats
        nextEmission = advanced;
    }
}

void cParticleSystem::Spawn() {
    float k[3];
    for (float& r : k) {
        // Scaled by 1/32767 as a double, then mapped to [-1, 1].
        double scaled = RandomInt() * 3.051850947599719e-05;
        r = static_cast<float>(2.0 * scaled - 1.0);
    }
    sParticle& p = particles[nextSlot];
    p.start = emitter->position;
    p.velocity = cVector(k[0] * info.speed.x, k[1] * info.speed.y, k[2] * info.speed.z);
    p.birth = time;
    p.alive = 1;
    nextSlot = (nextSlot + 1) % static_cast<uint32_t>(particles.size());
}

void cParticleSystem::Transform(cCamera* camera) {
    for (sParticle& p : particles) {
        if (!p.alive) continue;
        float age = time - p.birth;
        // Gravity acts linearly in age, like the velocity.
        p.light->position = p.start + p.velocity * age + info.gravity * age;
        p.light->brightness = 1.0f - age * reciprocalLife;
        if (p.light->brightness < 0.0f) {
            p.light->brightness = 0.0f;
            p.alive = 0;
        }
        p.light->Transform(camera);
    }
}

void cParticleSystem::Collect() {
    for (sParticle& p : particles)
        if (p.alive) p.light->Collect();
}

void AttachParticleSystem(cSceneObject* node, const sParticleInfo& info) {
    node->particles = std::make_unique<cParticleSystem>(node, info);
}
