// Raytraced planes: a textured floor and ceiling seen through a nodding
// camera and a bulging lens, fogged towards white, in the letterbox band
// between two border pictures. Timeline parameters: raytrace::plane and
// raytrace::z.
#pragma once

#include <cstdint>

void RaytraceInit();
void RaytraceRender(uint32_t* frame);
void RaytraceStop();
