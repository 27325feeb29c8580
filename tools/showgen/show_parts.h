// The files each part of the show brings: the kernel's pictures, and each
// effect's pictures and settings, sized for that effect.
#pragma once

#include <vector>

#include "resources/packer.h"

struct sContentPart {
    const char* name;
    std::vector<sPackEntry> (*files)();
};

// In the order their files go into the library.
const std::vector<sContentPart>& ContentParts();

// The kernel's own pictures: loading screen, loading bar, show picture.
std::vector<sPackEntry> KernelFiles();
