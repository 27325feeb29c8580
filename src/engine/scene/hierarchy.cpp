// The scene's node tree.
#include "engine/scene/hierarchy.h"

#include <cstdio>
#include <vector>

#include "engine/scene/scene_object.h"

cHierarchy::~cHierarchy() {
    while (first_) {
        sHierarchyEntry* e = first_;
        Unlink(e);
        DeleteSubtree(e);
    }
}

sHierarchyEntry* cHierarchy::AppendTopLevel(cSceneObject* object) {
    auto* entry = new sHierarchyEntry{object};
    LinkAsLastChild(nullptr, entry);
    object->scene = scene_;
    lastInserted_ = entry;
    return entry;
}

sHierarchyEntry* cHierarchy::InsertChild(sHierarchyEntry* parent, cSceneObject* object) {
    if (!parent) {
        std::printf("Could not add child because there is no parent!\n");
        return nullptr;
    }
    object->scene = scene_;
    auto* entry = new sHierarchyEntry{object};
    LinkAsLastChild(parent, entry);
    lastInserted_ = entry;
    return entry;
}

void cHierarchy::Remove(cSceneObject* object) {
    sHierarchyEntry* entry = Find(object);
    if (!entry) {
        std::printf("Could not find node!\n");
        std::fflush(stdout);
        return;
    }
    Unlink(entry);
    DeleteSubtree(entry);
}

void cHierarchy::MoveUnder(sHierarchyEntry* entry, sHierarchyEntry* parent) {
    Unlink(entry);
    LinkAsLastChild(parent, entry);
}

void cHierarchy::Unlink(sHierarchyEntry* entry) {
    if (entry->previous) {
        entry->previous->next = entry->next;
    } else if (entry->parent) {
        entry->parent->firstChild = entry->next;
    } else if (first_ == entry) {
        first_ = entry->next;
    }
    if (entry->next) entry->next->previous = entry->previous;
    entry->parent = entry->previous = entry->next = nullptr;
}

void cHierarchy::LinkAsLastChild(sHierarchyEntry* parent, sHierarchyEntry* entry) {
    sHierarchyEntry*& head = parent ? parent->firstChild : first_;
    entry->parent = parent;
    entry->next = nullptr;
    if (!head) {
        entry->previous = nullptr;
        head = entry;
        return;
    }
    sHierarchyEntry* last = head;
    while (last->next) last = last->next;
    last->next = entry;
    entry->previous = last;
}

void cHierarchy::DeleteSubtree(sHierarchyEntry* root) {
    // The root is already unlinked (no parent, no siblings), so a pre-order
    // walk from it ends with its subtree; collect first, then delete.
    std::vector<sHierarchyEntry*> entries;
    for (sHierarchyEntry* e = root; e; e = PreOrderNext(e)) entries.push_back(e);
    for (sHierarchyEntry* e : entries) {
        if (lastInserted_ == e) lastInserted_ = nullptr;
        delete e;
    }
}

sHierarchyEntry* cHierarchy::Find(const cSceneObject* object) const {
    for (sHierarchyEntry* e = first_; e; e = PreOrderNext(e))
        if (e->object == object) return e;
    return nullptr;
}

bool cHierarchy::Within(const sHierarchyEntry* entry, const sHierarchyEntry* ancestor) {
    for (; entry; entry = entry->parent)
        if (entry == ancestor) return true;
    return false;
}

sHierarchyEntry* cHierarchy::PreOrderNext(const sHierarchyEntry* entry) {
    if (entry->firstChild) return entry->firstChild;
    for (; entry; entry = entry->parent)
        if (entry->next) return entry->next;
    return nullptr;
}

cSceneObject* cHierarchy::FindNode(const String& name) const {
    // The recursive rule, with an explicit stack of sibling-list walks: each
    // frame holds its list position and the match remembered from the
    // subtrees it passed over.
    struct sWalk {
        sHierarchyEntry* at;
        cSceneObject* remembered;
    };
    std::vector<sWalk> stack{{first_, nullptr}};
    for (;;) {
        sWalk& walk = stack.back();
        cSceneObject* result = nullptr;
        bool listDone = false;
        if (!walk.at) {
            result = walk.remembered;
            listDone = true;
        } else if (EqualsIgnoreCase(walk.at->object->name.Str(), name.Str())) {
            result = walk.at->object;
            listDone = true;
        } else if (walk.at->firstChild) {
            stack.push_back({walk.at->firstChild, nullptr});
            continue;
        } else {
            walk.at = walk.at->next;
            continue;
        }
        if (listDone) {
            stack.pop_back();
            if (stack.empty()) return result;
            sWalk& outer = stack.back();
            if (result) outer.remembered = result;
            outer.at = outer.at->next;
        }
    }
}
