// The texture manager: loads pictures once per path and hands them out by
// reference count. Textures are used as 256 x 256 texel arrays addressed as
// (v & 255) x 256 + (u & 255).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "resources/picture.h"
#include "support/string.h"

constexpr int32_t kTextureSide = 256;
constexpr size_t kTextureTexels = kTextureSide * kTextureSide;

struct sTexture {
    uint32_t references = 0;
    String name;  // the full path it was loaded from
    uint32_t id = 0;
    // 0x00RRGGBB; always at least kTextureTexels words (see cTexturesSoftware::Add).
    std::vector<uint32_t> texels;
    uint16_t width = 0;  // of the picture
    uint16_t height = 0;
    uint32_t user[2] = {};  // two words kept for the caller
};

class cTextureManager {
public:
    virtual ~cTextureManager() = default;
    virtual sTexture* Add(const sPicture& picture, const String& name, uint32_t a, uint32_t b) = 0;
    virtual sTexture* Load(const String& name, uint32_t a, uint32_t b) = 0;
    virtual std::unique_ptr<sTexture> Unlink(sTexture* texture) = 0;
    virtual std::unique_ptr<sTexture> UnlinkById(uint32_t id) = 0;
    virtual sTexture* FindById(uint32_t id) const = 0;
    virtual sTexture* FindByName(const String& name) const = 0;
    virtual void ReleaseAll() = 0;
    virtual void Release(sTexture* texture) = 0;
    virtual void ReleaseByName(const String& name) = 0;
};

class cTexturesSoftware : public cTextureManager {
public:
    explicit cTexturesSoftware(const String& basePath) : basePath_(basePath) {}

    // A new texture with reference count 1 and the next id. The texels are
    // the picture's first 256 x 256 words, padded with black when the
    // picture has fewer, so the fixed addressing never reads past them.
    sTexture* Add(const sPicture& picture, const String& name, uint32_t a, uint32_t b) override;
    // Path = base path + "/" + name. A path already loaded gains a reference
    // and is returned; otherwise the picture is loaded (a missing or broken
    // picture is fatal in the picture loader) and added.
    sTexture* Load(const String& name, uint32_t a, uint32_t b) override;
    // Take a texture out of the list; the caller owns it then.
    std::unique_ptr<sTexture> Unlink(sTexture* texture) override;
    std::unique_ptr<sTexture> UnlinkById(uint32_t id) override;
    sTexture* FindById(uint32_t id) const override;
    sTexture* FindByName(const String& name) const override;  // exact path
    // Drops one reference of every texture in the list.
    void ReleaseAll() override;
    // Drops one reference; at zero the texture is unlinked and freed.
    void Release(sTexture* texture) override;
    void ReleaseByName(const String& name) override;

    const String& BasePath() const { return basePath_; }
    size_t Count() const { return textures_.size(); }

private:
    String basePath_;
    std::vector<std::unique_ptr<sTexture>> textures_;  // in load order
    uint32_t nextId_ = 0;
};
