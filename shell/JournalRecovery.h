// A journal that a save cut short left beside the database, dealt with at start before anything
// opens the file (see platform::LeftoverJournal), and what the user is told of it.
#pragma once

#include "platform/storage/LeftoverJournal.h"

// False, after telling the user, when the program must not start: another program is writing
// the database, the file may not be written, the journal cannot be used as it is, or a file
// operation failed. Every other outcome is told in one box, with the copies kept. Without a
// journal it only removes the temporary copies an interrupted start left.
bool RecoverLeftoverJournal(platform::LeftoverJournal& journal);
