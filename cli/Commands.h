// The commands of ostrel, each printing to the given streams and returning
// the exit status.
#pragma once

#include <ostream>
#include <string>

#include "export/EmlExport.h"

namespace ostrel::cli {

int Folders(const std::string& file, std::ostream& out);
int Items(const std::string& file, const std::string& path, std::ostream& out);
int Show(const std::string& file, const std::string& nid, std::ostream& out);
int Body(const std::string& file, const std::string& nid, std::ostream& out);

struct tsearchoptions {
    std::string Fields = "subject,people,body,attachments"; // as --in takes them
    std::string FolderPath;                                 // empty: every folder
    bool WholeWords = false;
    std::string From, To; // "YYYY-MM-DD", local days, both counted whole; empty: open
};
int Search(const std::string& file, const std::string& text, const tsearchoptions& options,
           std::ostream& out);

int Export(const std::string& file, const std::string& dir, std::ostream& out, std::ostream& err,
           texportformat format = texportformat::Eml);
int Attachments(const std::string& file, const std::string& nid, std::ostream& out,
                std::ostream& err);
int SaveAttachments(const std::string& file, const std::string& nid, const std::string& dir,
                    std::ostream& out, std::ostream& err);

} // namespace ostrel::cli
