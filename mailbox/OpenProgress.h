// How far long work on a mailbox has come, for a progress display: the share
// of the file the open sequence has read (its two whole-file page scans), and
// how many messages an EML export of the mailbox can write at most.
#pragma once

#include <cstdint>

#include "mailbox/uPST64File.h"

// Follows the file position of an opening mailbox. The open reads the file
// from front to back twice (root search, then leaf recovery) with the index
// load between them; the share only ever grows, so the random reads of the
// index load cannot make a display jump back.
class TOpenProgress {
public:
    explicit TOpenProgress(const TPst64File& pst) : pst_(pst) {}
    // 0 to 1000: the first scan fills the first half, the second the rest.
    int Permille();

private:
    const TPst64File& pst_;
    int pass_ = 0;
    int best_ = 0;
    int lastInPass_ = 0;
};

// Nodes an export may write as messages: the normal-message NIDs
// ([MS-PST] 2.2.2.1, NID_TYPE_NORMAL_MESSAGE) of the node tree.
uint64_t CountMessageNodes(const TPst64File& pst);
