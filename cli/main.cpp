// ostrel: the mailbox without the window. Prints what the main window would
// show (folder rows, item rows, status line), tab-separated, one row a line,
// for people who work from a shell, for scripts and for tests.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "cli/Commands.h"

namespace {

const char* const kUsage =
    "usage: ostrel COMMAND FILE [ARG...]\n"
    "\n"
    "Reads an Outlook PST or OST file (read-only) and prints what the viewer shows.\n"
    "\n"
    "  ostrel folders FILE         the folder list: depth, caption, path; then the status line\n"
    "  ostrel items FILE PATH      the items of the folder whose path is PATH (as `folders`\n"
    "                              prints it): column captions, one row a line; then the\n"
    "                              status line\n"
    "  ostrel show FILE NID        every field of one node's object (NID in hex, as 0x8024)\n"
    "  ostrel body FILE NID        the HTML the item viewer shows as that object's body\n"
    "  ostrel search FILE TEXT [--in FIELDS] [--folder PATH] [--words]\n"
    "                [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
    "                              the items that hold TEXT (any case, accents on Latin\n"
    "                              letters ignored), one a line: folder path, NID, then the\n"
    "                              row as `items` prints it; then the count. FIELDS: any of\n"
    "                              subject,people,body,attachments (all); PATH: that folder\n"
    "                              and those below it; --words: whole words only;\n"
    "                              --from, --to: the item's date within those days\n"
    "  ostrel export FILE DIR      writes every message as an .eml file below DIR\n"
    "  ostrel export --mbox FILE DIR\n"
    "                              the same messages as one mbox file per folder (mboxrd),\n"
    "                              DIR/FOLDER/FOLDER.mbox in the same tree\n"
    "  ostrel attachments FILE NID the attachments of one item: number, name, size in\n"
    "                              bytes, kind (file, embedded message, reference, OLE object)\n"
    "  ostrel save-attachments FILE NID DIR\n"
    "                              writes the item's attachments as new files in DIR\n"
    "                              (embedded messages as .eml; an existing file is never\n"
    "                              replaced: \"name (2).ext\" instead); prints each path\n"
    "  ostrel --help               this text\n"
    "\n"
    "Exit status: 0 success, 1 nothing found for the request, 2 bad usage or a file\n"
    "that cannot be read, 3 some attachment could not be saved.\n";

// A file the program cannot read at all is an error, and so is one that is
// no mailbox: the commands say why (cli/OpenMailbox).
bool CheckReadable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        std::cerr << "ostrel: " << path << ": " << std::strerror(errno) << "\n";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        std::cerr << "ostrel: " << path << ": not a regular file\n";
        return false;
    }
    if (::access(path.c_str(), R_OK) != 0) {
        std::cerr << "ostrel: " << path << ": " << std::strerror(errno) << "\n";
        return false;
    }
    return true;
}

// `search FILE TEXT` and its options, from argv[4] on; false for bad usage.
bool ParseSearchOptions(int argc, char** argv, ostrel::cli::tsearchoptions& options) {
    for (int i = 4; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--in" && hasValue)
            options.Fields = argv[++i];
        else if (a == "--folder" && hasValue)
            options.FolderPath = argv[++i];
        else if (a == "--from" && hasValue)
            options.From = argv[++i];
        else if (a == "--to" && hasValue)
            options.To = argv[++i];
        else if (a == "--words")
            options.WholeWords = true;
        else
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << kUsage;
        return 0;
    }
    if (argc < 3) {
        std::cerr << kUsage;
        return 2;
    }
    std::string command = argv[1];
    if (command == "export" && std::strcmp(argv[2], "--mbox") == 0) {
        if (argc != 5) {
            std::cerr << kUsage;
            return 2;
        }
        if (!CheckReadable(argv[3])) return 2;
        return ostrel::cli::Export(argv[3], argv[4], std::cout, std::cerr, texportformat::Mbox);
    }
    std::string file = argv[2];
    if (command == "search") {
        ostrel::cli::tsearchoptions options;
        if (argc < 4 || !ParseSearchOptions(argc, argv, options)) {
            std::cerr << kUsage;
            return 2;
        }
        if (!CheckReadable(file)) return 2;
        return ostrel::cli::Search(file, argv[3], options, std::cout);
    }
    bool needsArg = command == "items" || command == "show" || command == "body" ||
                    command == "export" || command == "attachments";
    bool needsTwo = command == "save-attachments";
    int wanted = needsTwo ? 5 : needsArg ? 4 : 3;
    if (argc != wanted || (command != "folders" && !needsArg && !needsTwo)) {
        std::cerr << kUsage;
        return 2;
    }
    if (!CheckReadable(file)) return 2;
    if (command == "folders") return ostrel::cli::Folders(file, std::cout);
    if (command == "items") return ostrel::cli::Items(file, argv[3], std::cout);
    if (command == "show") return ostrel::cli::Show(file, argv[3], std::cout);
    if (command == "body") return ostrel::cli::Body(file, argv[3], std::cout);
    if (command == "attachments")
        return ostrel::cli::Attachments(file, argv[3], std::cout, std::cerr);
    if (command == "save-attachments")
        return ostrel::cli::SaveAttachments(file, argv[3], argv[4], std::cout, std::cerr);
    return ostrel::cli::Export(file, argv[3], std::cout, std::cerr);
}
