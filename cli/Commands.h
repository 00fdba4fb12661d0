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

int Export(const std::string& file, const std::string& dir, std::ostream& out, std::ostream& err,
           texportformat format = texportformat::Eml);
int Attachments(const std::string& file, const std::string& nid, std::ostream& out,
                std::ostream& err);
int SaveAttachments(const std::string& file, const std::string& nid, const std::string& dir,
                    std::ostream& out, std::ostream& err);

} // namespace ostrel::cli
