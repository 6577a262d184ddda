// Start-up: the login window first; a right password shows the main strip.
#pragma once

// Opens the login window. Returns false (after telling the user) when another copy runs on the
// program folder or on its database file, the folder cannot be locked, another program is writing
// the database, or the database is missing, damaged or not this program's; then nothing was opened
// and the file was not touched. A journal a crashed save left is dealt with first (see
// RecoverLeftoverJournal). A database the user may not write, or whose folder others may change
// (then a journal beside it is left as it is), is told before the login; the program goes on for
// viewing.
bool StartProgram();
