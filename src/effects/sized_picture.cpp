#include "effects/sized_picture.h"

#include "kernel/services.h"
#include "resources/picture.h"

std::vector<uint32_t> LoadSizedPicture(const char* name, int width, int height) {
    sPicture picture = LoadPicture(name);
    if (picture.bits != 32 || picture.width != width || picture.height != height)
        FatalError("%s: expected a %d x %d colour picture, got %d x %d", name, width, height, picture.width,
                   picture.height);
    return std::move(picture.pixels);
}
