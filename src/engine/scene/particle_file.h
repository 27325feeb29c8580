// The particle file (base name + ".ini"): the scene's frame rate, fog and
// ambient colour, lens flares for light nodes, and particle emitters.
//
//   fps 25
//   fog 0.5
//   ambient 0.1 0.1 0.2
//   light {
//     name omni01
//     filename flare.jpg
//     secondary ring.jpg 0.5 0.5 1 1 noscale
//     size 40
//     nohide
//     dynamic
//     intensity 80
//     color 1 0.8 0.6
//   }
//   emitter {
//     name dummy01
//     filename spark.jpg
//     size 16
//     density 2       ; particles per frame
//     life 150        ; frames
//     speed 1 2 1
//     gravity 0 -0.1 0
//   }
#pragma once

class cScene;

// Emitters with more particles than this are refused as malformed.
constexpr unsigned kMaxParticlesPerEmitter = 1u << 20;

void ReadParticleFile(cScene& scene, const char* baseName);
