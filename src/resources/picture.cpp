// Picture type dispatch and the checks the decoders share.
#include "resources/picture.h"

#include <cctype>
#include <cstring>

#include "kernel/services.h"
#include "resources/picture_p.h"

namespace {

enum class PictureType { Png, Jpg, Pcx, Unknown };

// Only the last three characters count: "x.jpeg" is not a JPEG, "xpng" is a
// PNG.
PictureType TypeOf(const char* name) {
    size_t length = std::strlen(name);
    if (length < 3) return PictureType::Unknown;
    char type[4] = {};
    for (int i = 0; i < 3; ++i)
        type[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[length - 3 + i])));
    if (std::strcmp(type, "PNG") == 0) return PictureType::Png;
    if (std::strcmp(type, "JPG") == 0) return PictureType::Jpg;
    if (std::strcmp(type, "PCX") == 0) return PictureType::Pcx;
    return PictureType::Unknown;
}

using Decoder = void (*)(const char*, std::span<uint32_t>, bool, int32_t*, int32_t*);

// A query pass for the size, then a decode pass into a buffer of that size.
// Each pass opens (and, for a library entry, unpacks) the file again.
sPicture Load32(const char* name, Decoder decode) {
    sPicture picture;
    picture.bits = 32;
    decode(name, {}, true, &picture.width, &picture.height);
    picture.pixels.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    decode(name, picture.pixels, false, &picture.width, &picture.height);
    // A disk file replaced by a smaller one between the passes.
    picture.pixels.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    return picture;
}

[[noreturn]] void UnknownType(const char* name) {
    FatalError("!!![QDEMOGFX] Could not determine which picture this is: %s", name);
}

}  // namespace

void CheckPictureSize(const char* who, const char* name, int64_t width, int64_t height) {
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide)
        FatalError("%s: %s has an unusable size of %lld x %lld pixels", who, name,
                   static_cast<long long>(width), static_cast<long long>(height));
}

void CheckPictureBuffer(const char* who, const char* name, std::span<uint32_t> pixels,
                        int32_t width, int32_t height) {
    if (pixels.size() < static_cast<size_t>(width) * static_cast<size_t>(height))
        FatalError("%s: %s is %d x %d pixels, larger than its buffer of %zu", who, name, width,
                   height, pixels.size());
}

sPicture LoadPicture(const char* name) {
    switch (TypeOf(name)) {
    case PictureType::Png:
        Log("   [DEMOGFX] Loading 24bit PNG: %s", name);
        return Load32(name, DemoLoadPng24to32);
    case PictureType::Jpg:
        Log("   [DEMOGFX] Loading 24bit JPG: %s", name);
        return Load32(name, load_jpg);
    case PictureType::Pcx:
        return LoadPcx8(name);
    case PictureType::Unknown:
        break;
    }
    UnknownType(name);
}

sPicture LoadPictureInfo(const char* name) {
    if (TypeOf(name) != PictureType::Pcx) return LoadPicture(name);
    sPicture indexed = LoadPcx8(name);
    sPicture picture;
    picture.width = indexed.width;
    picture.height = indexed.height;
    picture.bits = 32;
    picture.pixels.resize(static_cast<size_t>(picture.PixelCount()));
    Pcx8To32(picture.pixels, indexed.indexed, picture.PixelCount());
    return picture;
}
