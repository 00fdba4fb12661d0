// The check that the collections' cheap read (ProbeMessage) tells every
// node exactly what the whole build (BuildMessage) tells: no object or one,
// its kind, which of the records the lists count by it has, and the cells of
// its item row when read with the row's fields. Used by the tests and by the
// fuzz target of damaged mailboxes.
#pragma once

#include <sstream>
#include <string>

#include "display/ItemRows.h"
#include "engine/uPST64Format.h"

namespace probe {

// What the collections read of an object, as one line.
inline std::string Signature(const tpstmessage* m) {
    if (!m) return "none";
    std::ostringstream out;
    out << "kind " << m->Kind << (m->MailInfo ? " mail" : "") << (m->FolderCounts ? " folder" : "")
        << (m->Appointment ? " appointment" : "") << (m->Contact ? " contact" : "")
        << (m->Journal ? " journal" : "") << (m->StickyNote ? " note" : "");
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
        const bool note = whole->Kind == kKindStickyNote;
        std::unique_ptr<tpstmessage> row = ProbeMessage(file, node, ItemRowFields(note));
        a = RowSignature(row.get());
        b = RowSignature(whole.get());
        FreeMessage(row);
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
        if (std::string d = Disagreement(file, node.get()); !d.empty()) all += d + "\n";
    return all;
}

} // namespace probe
