// Start-up: the login window first; a right password shows the main strip.
#pragma once

// Opens the login window. Returns false (after telling the user) when the program folder has
// no database, in which case nothing was opened.
bool StartProgram();
