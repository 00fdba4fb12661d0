// The node forest with its lookup maps. Children keep insertion order; the
// maps answer every lookup exactly as the pre-order walk of the forest would:
// the first node of a NID in pre-order, never a node that is not linked in.
#include "engine/ndb/NodeTree.h"

#include <algorithm>

#include "engine/ndb/PstFile.h"

namespace {

// Links `node` at the tail of `parent`'s children, or of the top-level list.
void AppendToList(tpstfile* file, tnodeentry* parent, tnodeentry* node) {
    tnodeentry*& first = parent ? parent->pFirstChild : file->pNodeFirst;
    tnodeentry*& last = parent ? parent->pLastChild : file->pNodeLast;
    node->pParent = parent;
    node->pPrev = last;
    node->pNext = nullptr;
    if (last)
        last->pNext = node;
    else
        first = node;
    last = node;
    node->listSeq = file->nodes.nextSeq++;
    if (parent) {
        ++parent->cChildren;
        node->fTopLevel = false;
    } else {
        node->fTopLevel = true;
        file->nodes.orphansByParent[node->nidParent].push_back({node, node->listSeq});
    }
}

// `node` is leaving the top level. Its entry is not searched for: entries
// of nodes that left stay in place and are passed over, and those at the
// back go as soon as no node after them waits, so that the list of a folder
// whose orphans all left goes too, in time linear in their number.
void ForgetOrphan(tpstfile* file, tnodeentry* node) {
    auto it = file->nodes.orphansByParent.find(node->nidParent);
    if (it == file->nodes.orphansByParent.end()) return;
    tnodestore::torphans& list = it->second;
    while (!list.empty() && (list.back().node == node || !list.back().Waiting()))
        list.pop_back();
    if (list.empty()) file->nodes.orphansByParent.erase(it);
}

tnodeentry* RootOf(tnodeentry* node) {
    while (node->pParent)
        node = node->pParent;
    return node;
}

// Does `a` come before `b` in a pre-order walk? Both must be in one forest.
bool PreorderBefore(tnodeentry* a, tnodeentry* b) {
    std::vector<tnodeentry*> pathA, pathB;
    for (tnodeentry* n = a; n; n = n->pParent)
        pathA.push_back(n);
    for (tnodeentry* n = b; n; n = n->pParent)
        pathB.push_back(n);
    auto ia = pathA.rbegin(), ib = pathB.rbegin();
    while (ia != pathA.rend() && ib != pathB.rend() && *ia == *ib) {
        ++ia;
        ++ib;
    }
    if (ia == pathA.rend()) return true; // a is an ancestor of b (or b itself)
    if (ib == pathB.rend()) return false;
    return (*ia)->listSeq < (*ib)->listSeq; // siblings: append order is list order
}

// FindNode, ignoring the subtree of `detached` (a node being inserted).
tnodeentry* FindLinkedNode(tpstfile* file, uint64_t nid, tnodeentry* detached) {
    tnodeentry* head = file->nodes.byNid.Find(nid);
    if (!head) return nullptr;
    bool checkDetached = detached && detached->cChildren > 0;
    tnodeentry* best = nullptr;
    for (tnodeentry* n = head; n; n = n->pSameNid) {
        if (checkDetached && RootOf(n) == detached) continue;
        if (!best || PreorderBefore(n, best)) best = n;
    }
    return best;
}

} // namespace

bool IsAncestorOrSelf(const tnodeentry* ancestor, const tnodeentry* node) {
    for (const tnodeentry* n = node; n; n = n->pParent)
        if (n == ancestor) return true;
    return false;
}

void UnlinkNode(tpstfile* file, tnodeentry* node) {
    tnodeentry* parent = node->pParent;
    if (!parent && !node->fTopLevel) return; // not linked anywhere
    tnodeentry*& first = parent ? parent->pFirstChild : file->pNodeFirst;
    tnodeentry*& last = parent ? parent->pLastChild : file->pNodeLast;
    if (node->pPrev)
        node->pPrev->pNext = node->pNext;
    else
        first = node->pNext;
    if (node->pNext)
        node->pNext->pPrev = node->pPrev;
    else
        last = node->pPrev;
    if (parent)
        --parent->cChildren;
    else
        ForgetOrphan(file, node);
    node->pPrev = node->pNext = node->pParent = nullptr;
    node->fTopLevel = false;
}

void AppendTopLevel(tpstfile* file, tnodeentry* node) {
    UnlinkNode(file, node);
    AppendToList(file, nullptr, node);
}

bool AppendChild(tpstfile* file, tnodeentry* parent, tnodeentry* node) {
    if (!parent || IsAncestorOrSelf(node, parent)) return false;
    UnlinkNode(file, node);
    AppendToList(file, parent, node);
    return true;
}

tnodeentry* InsertNode(tpstfile* file, std::unique_ptr<tnodeentry> owned) {
    if (!file || !owned) return nullptr;
    tnodeentry* node = file->nodes.records.Add(*owned);
    file->nodes.owned.push_back(node);

    // 1. A fresh node has no links.
    node->pParent = node->pFirstChild = node->pLastChild = nullptr;
    node->pPrev = node->pNext = nullptr;
    node->cChildren = 0;
    node->fTopLevel = false;

    // 2. Adopt the top-level nodes that name this node as parent, in list order.
    auto orphans = file->nodes.orphansByParent.find(node->nid);
    if (orphans != file->nodes.orphansByParent.end()) {
        tnodestore::torphans adopted = std::move(orphans->second);
        file->nodes.orphansByParent.erase(orphans);
        for (const tnodestore::torphan& entry : adopted) {
            if (!entry.Waiting()) continue;
            tnodeentry* child = entry.node;
            UnlinkNode(file, child);
            AppendToList(file, node, child);
        }
    }

    // 3. Place it. The node and what it adopted are not in the forest yet, so
    // a parent found among them counts as absent: no cycle can form.
    tnodeentry* parent = nullptr;
    if (node->nidParent != 0 && node->nidParent != node->nid)
        parent = FindLinkedNode(file, node->nidParent, node);
    AppendToList(file, parent, node);

    node->pSameNid = file->nodes.byNid.PutHead(node);
    return node;
}

tnodeentry* FindNode(tpstfile* file, uint64_t nid) {
    if (!file) return nullptr;
    return FindLinkedNode(file, nid, nullptr);
}

void FreeNodeTree(tpstfile* file) {
    if (!file) return;
    file->pNodeFirst = file->pNodeLast = nullptr;
    file->nodes.byNid.Clear();
    file->nodes.orphansByParent.clear();
    file->nodes.owned.clear();
    file->nodes.owned.shrink_to_fit();
    file->nodes.records.Clear();
    file->nodes.nextSeq = 0;
}
