// Render items and the per-material face lists the scene's nodes fill every
// frame: a node's Transform announces how many faces it may emit (the list's
// capacity), the pipeline then allocates each list once, and Collect appends
// the faces with their depth keys.
#pragma once

#include <cstdint>
#include <vector>

struct sPoly;
class cSceneObject;

struct sRenderItem {
    uint32_t key = 0;               // depth key; larger is farther
    sPoly* face = nullptr;
    cSceneObject* owner = nullptr;  // the mesh, or the light of a flare quad
};

struct sFaceList {
    std::vector<sRenderItem> items;
    uint32_t capacity = 0;  // faces announced this frame

    uint32_t Count() const { return static_cast<uint32_t>(items.size()); }
    // Start of a frame: nothing announced, nothing collected.
    void Reset() {
        items.clear();
        capacity = 0;
    }
    void Announce(uint32_t faces = 1) { capacity += faces; }
    // Room for every announced face, so appending allocates nothing. A node
    // that appends more than it announced still stays in bounds (the list
    // grows), it just costs an allocation.
    void Allocate() {
        items.clear();
        items.reserve(capacity);
    }
    void Append(uint32_t key, sPoly* face, cSceneObject* owner) { items.push_back({key, face, owner}); }
    void Release() { std::vector<sRenderItem>().swap(items); }
};
