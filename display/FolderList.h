// The folder list as the main window shows it, without any toolkit: the
// rows (caption with item count, path, depth, node) built from the folder
// collection, and the status line texts of the open. The window and the
// command line both show exactly these rows and texts.
#pragma once

#include <string>
#include <vector>

#include "mailbox/uPST64File.h"

struct tfolderrow {
    std::string Caption; // display name, with "(N)" when the folder counts N items
    std::string Path;    // the parent's path + "\" + display name; the file name for the root
    tnodeentry* Node = nullptr; // null for the root row
    int Depth = 0;
};

// "Loading " + file + " ..."
std::string LoadingStatusText(const std::string& fileName);
// "folder items: N, file: " + file
std::string FolderStatusText(size_t folderRows, const std::string& fileName);
// "cannot read " + file + ": " + why (TPst64File::Unreadable)
std::string UnreadableStatusText(const std::string& fileName, const std::string& reason);

// Collects the folders of an opened mailbox and lays out the rows, the root
// row "Outlook" first and every folder directly below its parent row.
std::vector<tfolderrow> BuildFolderRows(TPst64File& pst, const std::string& fileName);
