// Others may write a shared program folder (mode 777 or 1777) and put a symbolic link under a
// name the program uses (db/, db/db.mdb, print/), leading a copy run by root, or by any user, to
// a folder or file of someone else's. As the kernel's protected_symlinks does in sticky shared
// folders, such a link is followed only when root, the user running or the owner of the folder
// holding the link made it: a user's own link to their database keeps working.
#pragma once

#include <string>

namespace platform {

// `path` is a symbolic link that this process must not follow. The folder above it is taken as
// it is reached, through any link before it (check those first).
bool IsForeignLink(const std::string& path);

}  // namespace platform
