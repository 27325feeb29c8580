// The software texture manager.
#include "engine/render/textures.h"

#include <algorithm>

sTexture* cTexturesSoftware::Add(const sPicture& picture, const String& name, uint32_t a, uint32_t b) {
    auto texture = std::make_unique<sTexture>();
    texture->references = 1;
    texture->name = name;
    texture->id = nextId_++;
    texture->texels = picture.pixels;
    if (texture->texels.size() < kTextureTexels) texture->texels.resize(kTextureTexels, 0);
    texture->width = static_cast<uint16_t>(picture.width);
    texture->height = static_cast<uint16_t>(picture.height);
    texture->user[0] = a;
    texture->user[1] = b;
    textures_.push_back(std::move(texture));
    return textures_.back().get();
}

sTexture* cTexturesSoftware::Load(const String& name, uint32_t a, uint32_t b) {
    String path = basePath_.Empty() ? name : String(basePath_.Str() + "/" + name.Str());
    if (sTexture* loaded = FindByName(path)) {
        ++loaded->references;
        return loaded;
    }
    return Add(LoadPictureInfo(path.CStr()), path, a, b);
}

std::unique_ptr<sTexture> cTexturesSoftware::Unlink(sTexture* texture) {
    auto it = std::find_if(textures_.begin(), textures_.end(), [&](const auto& t) { return t.get() == texture; });
    if (it == textures_.end()) return nullptr;
    std::unique_ptr<sTexture> owned = std::move(*it);
    textures_.erase(it);
    return owned;
}

std::unique_ptr<sTexture> cTexturesSoftware::UnlinkById(uint32_t id) { return Unlink(FindById(id)); }

sTexture* cTexturesSoftware::FindById(uint32_t id) const {
    for (const auto& t : textures_)
        if (t->id == id) return t.get();
    return nullptr;
}

sTexture* cTexturesSoftware::FindByName(const String& name) const {
    for (const auto& t : textures_)
        if (t->name == name) return t.get();
    return nullptr;
}

void cTexturesSoftware::ReleaseAll() {
    std::vector<sTexture*> all;
    for (const auto& t : textures_) all.push_back(t.get());
    for (sTexture* t : all) Release(t);
}

void cTexturesSoftware::Release(sTexture* texture) {
    if (!texture || texture->references == 0) return;
    if (--texture->references == 0) Unlink(texture);  // the unique_ptr frees it
}

void cTexturesSoftware::ReleaseByName(const String& name) { Release(FindByName(name)); }
