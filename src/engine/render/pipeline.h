// The per-frame pipeline between a scene and its polygon routines: every
// node transforms and collects its faces into its materials' face lists,
// the lists are merged in material order and sorted by depth key.
#pragma once

#include <cstddef>

struct sRenderItem;
class cScene;

// Transform and Collect over the whole tree (particle systems right after
// their node), then the scene's render list: the materials' face lists in
// material-list order, sorted by key. The scene's camera must be set.
void BuildRenderList(cScene& scene);

// Stable least-significant-digit radix sort on the 32-bit key: four passes
// of 8 bits ping-ponging between `items` and `scratch` (both `count` long),
// ending in `items`.
void SortRenderList(sRenderItem* items, size_t count, sRenderItem* scratch);
