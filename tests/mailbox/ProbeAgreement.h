// The check that the collections' cheap read (ProbeMessage) tells every
// node exactly what the whole build (BuildMessage) tells: no object or one,
// its kind, which of the records the lists count by it has, and the cells of
// its item row when read with the row's fields. Used by the tests and by the
// fuzz target of damaged mailboxes.
#pragma once

#include <sstream>
#include <string>

#include "display/FolderList.h"
#include "display/ItemRows.h"
#include "engine/uPST64Format.h"

namespace probe {

// What the collections read of an object, as one line: its kind, whether
// it has the mail and folder records, and the record of its own kind's
// item list (the others no list looks at).
inline std::string Signature(const tpstmessage* m) {
    if (!m) return "none";
    const int32_t k = m->Kind;
    std::ostringstream out;
    out << "kind " << k << (m->MailInfo ? " mail" : "") << (m->FolderCounts ? " folder" : "")
        << (k == kKindAppointment && m->Appointment ? " appointment" : "")
        << (k == kKindContact && m->Contact ? " contact" : "")
        << (k == kKindJournal && m->Journal ? " journal" : "")
        << (k == kKindStickyNote && m->StickyNote ? " note" : "");
    return out.str();
}

// The signature with the cells of the item row of the object.
inline std::string RowSignature(const tpstmessage* m) {
    std::string out = Signature(m);
    if (!m) return out;
    titemrow row = ItemRowCells(*m);
    out += " icon " + std::to_string(row.Icon);
    for (const std::string& cell : row.Cells)
        out += " | " + cell;
    return out;
}

// Empty when both reads agree on `node`: the collections' read on kind and
// records, the rows' read on the row too; else what each said.
inline std::string Disagreement(tpstfile* file, tnodeentry* node) {
    std::unique_ptr<tpstmessage> cheap = ProbeMessage(file, node);
    std::unique_ptr<tpstmessage> whole = BuildMessage(file, node, nullptr);
    std::string a = Signature(cheap.get()), b = Signature(whole.get());
    if (a == b && whole) {
        // The rows read for every kind's fields (a sticky note's body but
        // for a sticky note), and for the object's own kind's.
        std::unique_ptr<tpstmessage> row =
            ProbeMessage(file, node,
                         whole->Kind == kKindStickyNote ? ItemRowFieldsOfKind(kKindStickyNote)
                                                        : ItemRowFieldsOfAnyKind());
        std::unique_ptr<tpstmessage> own =
            ProbeMessage(file, node, ItemRowFieldsOfKind(whole->Kind));
        b = RowSignature(whole.get());
        a = RowSignature(row.get());
        if (a == b) a = RowSignature(own.get());
        FreeMessage(row);
        FreeMessage(own);
    }
    FreeMessage(cheap);
    FreeMessage(whole);
    if (a == b) return {};
    std::ostringstream out;
    out << "node 0x" << std::hex << node->nid << ": probe " << a << ", build " << b;
    return out.str();
}

// Every disagreement over all nodes of the open file, one a line.
inline std::string Disagreements(tpstfile* file) {
    std::string all;
    for (const auto& node : file->nodes.owned)
        if (std::string d = Disagreement(file, node); !d.empty()) all += d + "\n";
    return all;
}

inline std::string RowText(const titemrow& row) {
    std::string out = row.Recovered ? "recovered" : "";
    for (const std::string& cell : row.Cells)
        out += " | " + cell;
    return out + " | icon " + std::to_string(row.Icon);
}

// Forgets the cheap reads the nodes keep, so that the next collections
// read every node again: the folder collection, or without counts the item
// collections.
inline void ForgetKeptReads(TPst64File& pst) {
    for (const auto& node : pst.Engine.nodes.owned) {
        node->fReadRecords = 0;
        node->nReadKind = 0;
    }
}

// The folder list (paths, depths, and with `counts` the captions with their
// counts) and every listed folder's item collection with its rows, as one
// text; the collections read the way `cheap` says, from counts at zero, and
// the cheap way reads the rows on every core, the other way one by one.
inline std::string Collections(TPst64File& pst, bool cheap, bool counts = true) {
    for (const auto& node : pst.Engine.nodes.owned) {
        node->cItems = 0;
        node->nFolderKind = 0;
    }
    pst.CheapCollections = cheap;
    pst.CountFolderItems = counts;
    tnodeentry* start = pst.CurrentNode; // the item collections move it
    std::ostringstream out;
    const std::vector<tfolderrow> rows = BuildFolderRows(pst, "file");
    for (const tfolderrow& row : rows)
        out << row.Depth << " " << row.Path << (counts ? " | " + row.Caption : "") << "\n";
    for (const tfolderrow& row : rows) {
        if (!row.Node) continue;
        tfolderitems items = CollectFolderItems(pst, row.Node);
        out << row.Path << ": " << items.Count << " of kind " << items.Set.ListKind << ":";
        for (tnodeentry* node : pst.ItemList.value_or(std::vector<tnodeentry*>{}))
            out << " " << std::hex << node->nid << std::dec;
        out << "\n";
        std::vector<titemrow> itemRows;
        if (cheap)
            itemRows = BuildItemRows(pst, row.Node, 0, items.Count);
        else
            for (int32_t i = 0; i < items.Count; ++i)
                itemRows.push_back(BuildItemRow(pst, row.Node, i));
        for (const titemrow& itemRow : itemRows)
            out << "  " << RowText(itemRow) << "\n";
    }
    pst.ClearItemList();
    pst.CurrentNode = start;
    pst.CheapCollections = true;
    pst.CountFolderItems = true;
    return out.str();
}

// Empty when the collections give the same folder list and item lists with
// the cheap reads and with every node's whole object, and again without the
// counts, where the item collections read their items themselves; else
// both texts.
inline std::string CollectionDisagreement(TPst64File& pst) {
    const std::string cheap = Collections(pst, true);
    const std::string whole = Collections(pst, false);
    if (cheap != whole) return "cheap collections:\n" + cheap + "whole builds:\n" + whole;
    ForgetKeptReads(pst);
    const std::string uncounted = Collections(pst, true, false);
    const std::string reference = Collections(pst, false, false);
    if (uncounted == reference) return {};
    return "cheap collections without counts:\n" + uncounted + "whole builds:\n" + reference;
}

} // namespace probe
