// A journal that a save cut short left beside the database, dealt with at start before anything
// opens the file: a journal of this file is rolled back, one of another state of it (a backup
// copied back after the crash) is kept aside unused, one that another program is writing right
// now is left alone.
#pragma once

#include "platform/storage/LeftoverJournal.h"

// False, after telling the user, when the program must not start: another program is writing
// the database, the file may not be written, or a file operation failed (then the next start
// carries on). Every other outcome is told in one box, with the copies kept.
bool RecoverLeftoverJournal(platform::LeftoverJournal& journal);
