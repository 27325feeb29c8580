// Timeline parameters of the effects, one namespace per effect, holding the
// value each parameter has before the script first sets it. Effects read them
// every frame; a few (marked) also write their own.
#pragma once

namespace title {
inline float rotX = 0.0f, rotY = 0.0f, rotZ = 1.0f, drie = 0.0f, ms = 0.0f, lines = 0.0f;
inline float logo = 0.0f;  // also written by the effect
inline float speed = 1.0f;
}  // namespace title
namespace tunnel {
inline float flash = 0.24f, zoom = 244.0f;
}
namespace roto {
inline float direction = 1.0f;
}
namespace knot {
inline float black = 0.0f;
}
namespace column {
inline float camera = 0.0f, frame = 0.0f, speed = 1.0f;
}
namespace raytrace {
inline float plane = 1000.0f, z = 32.0f;
}
namespace zoomer {
inline float speed = 0.0f, tunnelSpeed1 = 255.0f, tunnelSpeed2 = 257.0f;
}
namespace bars {
inline float speed = 1.0f;
}
namespace blobtorus {
inline float xSpeed = 1.0f, ySpeed = 1.0f, zSpeed = 1.0f, speed = 1.0f;
}
namespace net5 {
inline float kwallen = 0.0f;
}
namespace overlay {
inline float number = 0.0f, add = 1.0f;
inline float colour = 0.0f;  // set by the kernel: 0.0 for OVERLAYB, 1.0 for OVERLAYW
}  // namespace overlay
namespace circle {
inline float speed = 1.0f;
inline float reset = 0.0f;  // also written by the effect
}  // namespace circle
namespace pijlen {
inline float speed = 1.0f;
}
namespace credits {
inline float number = 0.0f;  // also written by the effect
}
namespace cameras {
inline float left = 0.0f, right = 0.0f, midden = 0.0f;
}
namespace ball {
inline float xSpeed = 1.0f, ySpeed = 1.0f, zSpeed = 0.3f, wireframe = 1.0f;
}
namespace theend {
inline float wipe = 0.0f;
}
namespace kwallen {
inline float camera = 2.0f;
inline float reset = 0.0f, start = 0.0f;  // also written by the effect
}  // namespace kwallen
namespace wall {
inline float steps = 50.0f;
}
