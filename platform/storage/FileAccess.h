// Who may open a file the program makes beside the database (the lock file): the same users as
// the database. Taken from the database file's own descriptor, so that a name changed meanwhile
// cannot give it anything else, and given through the new file's descriptor.
#pragma once

namespace platform {

// Gives the open file `fd` the owner (where this process may: root), the group (root, or a member
// of that group), the mode and the access ACL of the open file `from`. 0 or the error number of
// the first failure; a file system without ACLs takes the rest.
int TakeAccessOf(int fd, int from);

}  // namespace platform
