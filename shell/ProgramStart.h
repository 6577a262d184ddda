// Start-up: the login window first; a right password shows the main strip.
#pragma once

// Opens the login window. Returns false (after telling the user) when another copy runs on the
// program folder, the folder cannot be locked, or its database is missing, damaged or not this
// program's; then nothing was opened and the file was not touched. A journal a crashed save
// left is first copied aside with the database, and the user is told where the copies are.
bool StartProgram();
