// A journal that a save cut short left beside the database, dealt with at start before anything
// opens the file (see platform::LeftoverJournal), and what the user is told of it.
#pragma once

#include <string>

#include "platform/storage/LeftoverJournal.h"

// False, after telling the user, when the program must not start: another program is writing
// the database, the file may not be written, the journal cannot be used as it is, or a file
// operation failed. Every other outcome is told in one box, which the start shows after its own
// full check of the file: a box that says the file passed the check, only when it did. Without
// a journal it only removes the temporary copies an interrupted start left.
struct RecoveryBox {
    std::string text;  // "" for none
    bool saysChecked = false;
};
bool RecoverLeftoverJournal(platform::LeftoverJournal& journal, RecoveryBox& box);
