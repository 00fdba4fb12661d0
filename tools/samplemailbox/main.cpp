// ostrel-sample-mailbox PATH [ansi]: writes the sample mailbox `make run` opens to PATH.
#include <cstring>
#include <exception>
#include <iostream>

#include "tools/samplemailbox/SampleMailbox.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: ostrel-sample-mailbox PATH [ansi]\n";
        return 2;
    }
    const bool ansi = argc == 3 && std::strcmp(argv[2], "ansi") == 0;
    try {
        samplemailbox::write(argv[1], ansi ? pstw::Layout::Ansi : pstw::Layout::Unicode);
    } catch (const std::exception& e) {
        std::cerr << "ostrel-sample-mailbox: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
