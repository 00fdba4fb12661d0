// A written mailbox with one fully filled contact, task, journal record and
// sticky note, for the viewer tests that read their objects back through the
// engine rather than building them by hand.
#pragma once

#include <cstdint>
#include <string>

namespace viewersample {

// The nids of the four items in the written file.
struct tnids {
    uint32_t Contact = 0, Task = 0, Journal = 0, StickyNote = 0;
};

// Writes the mailbox to `path` (Unicode layout, strings as UTF-16).
tnids Write(const std::string& path);

} // namespace viewersample
