#include "effects/sized_picture.h"

#include "kernel/services.h"
#include "resources/picture.h"

std::vector<uint32_t> LoadSizedPicture(const char* name, int width, int height) {
    sPicture picture = LoadPictureInfo(name);
    if (picture.width != width || picture.height != height)
        FatalError("%s: expected a %d x %d picture, got %d x %d", name, width, height, picture.width,
                   picture.height);
    return std::move(picture.pixels);
}
