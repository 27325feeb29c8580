// The scene's material list.
#include "engine/scene/material.h"

sMaterial* cMaterialList::Add(const String& name, sTexture* texture, sTexture* secondMap, uint16_t number,
                              uint16_t sub, uint16_t flags) {
    auto material = std::make_unique<sMaterial>();
    material->texture = texture;
    material->secondMap = secondMap;
    material->name = name;
    material->number = number;
    material->sub = sub;
    material->flags = flags;
    materials_.push_back(std::move(material));
    return materials_.back().get();
}

sMaterial* cMaterialList::FindByName(const String& name) const {
    for (const auto& m : materials_)
        if (EqualsIgnoreCase(m->name.Str(), name.Str())) return m.get();
    return nullptr;
}

sMaterial* cMaterialList::FindByKey(uint16_t number, uint16_t sub) const {
    for (auto it = materials_.rbegin(); it != materials_.rend(); ++it)
        if ((*it)->number == number && (*it)->sub == sub) return it->get();
    return nullptr;
}

uint32_t cMaterialList::CountOfNumber(uint16_t number) const {
    uint32_t count = 0;
    for (const auto& m : materials_)
        if (m->number == number) ++count;
    return count ? count : 1;
}

void cMaterialList::SetFlagsByName(const String& name, uint16_t bits) {
    if (sMaterial* m = FindByName(name)) m->flags |= bits;
}

void cMaterialList::SetSecondMapAmountByName(const String& name, float amount) {
    if (sMaterial* m = FindByName(name)) m->secondMapAmount = amount;
}

sMaterial* cMaterialList::First() {
    cursor_ = 0;
    return Next();
}

sMaterial* cMaterialList::Next() {
    if (cursor_ >= materials_.size()) return nullptr;
    return materials_[cursor_++].get();
}
