// The node tree of a scene: one entry per node, children in insertion order,
// the top level a sibling list of its own. Entries never own their nodes;
// the scene deletes the nodes it holds.
//
// Every walk here is iterative, so a deep chain of parents (a scene file can
// nest as deep as it has nodes) cannot exhaust the stack.
#pragma once

#include "support/string.h"

class cSceneObject;
class cScene;

struct sHierarchyEntry {
    cSceneObject* object = nullptr;
    sHierarchyEntry* parent = nullptr;
    sHierarchyEntry* firstChild = nullptr;
    sHierarchyEntry* previous = nullptr;
    sHierarchyEntry* next = nullptr;
};

class cHierarchy {
public:
    explicit cHierarchy(cScene* owner) : scene_(owner) {}
    ~cHierarchy();
    cHierarchy(const cHierarchy&) = delete;
    cHierarchy& operator=(const cHierarchy&) = delete;

    sHierarchyEntry* First() const { return first_; }
    sHierarchyEntry* LastInserted() const { return lastInserted_; }

    // Links the node after the last top-level entry and sets its scene.
    sHierarchyEntry* AppendTopLevel(cSceneObject* object);
    // Links the node after the parent's last child and sets its scene. With
    // no parent entry: prints "Could not add child because there is no
    // parent!" and returns nullptr.
    sHierarchyEntry* InsertChild(sHierarchyEntry* parent, cSceneObject* object);
    // Takes the node's entry out together with the entries of its whole
    // subtree; the nodes are not deleted and belong to the caller from then
    // on. An unknown node prints "Could not find node!".
    void Remove(cSceneObject* object);
    // Moves the node's entry, children and all, to the end of `parent`'s
    // children. The caller ensures `parent` is not inside the moved subtree.
    void MoveUnder(sHierarchyEntry* entry, sHierarchyEntry* parent);

    sHierarchyEntry* Find(const cSceneObject* object) const;
    // True when `entry` is `ancestor` or lies in its subtree.
    static bool Within(const sHierarchyEntry* entry, const sHierarchyEntry* ancestor);
    // Name lookup ignoring ASCII case. A direct match in a sibling list wins
    // at once; for the siblings passed over before it, their subtrees were
    // searched and the last match found there is kept, so with duplicate
    // names a shallower match later in a list beats a deeper one earlier.
    cSceneObject* FindNode(const String& name) const;

    // Pre-order: an entry, its children, then its next sibling.
    static sHierarchyEntry* PreOrderNext(const sHierarchyEntry* entry);
    template <typename Fn>
    void ForEach(Fn&& fn) const {
        for (sHierarchyEntry* e = first_; e; e = PreOrderNext(e)) fn(*e);
    }

private:
    void Unlink(sHierarchyEntry* entry);
    void LinkAsLastChild(sHierarchyEntry* parent, sHierarchyEntry* entry);
    void DeleteSubtree(sHierarchyEntry* entry);

    cScene* scene_;
    sHierarchyEntry* first_ = nullptr;
    sHierarchyEntry* lastInserted_ = nullptr;
};
