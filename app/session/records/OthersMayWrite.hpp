#pragma once
// othersMayWrite: whether a file's or folder's mode lets anyone but this user write in
// it. Root may anyway, and the owner is judged apart. Group write counts only when the
// group holds another user: a group whose only member is the user (the private group
// Debian gives each user, as umask 002 expects) is the user's own. Any thread.

#include <sys/stat.h>
#include <sys/types.h>

namespace tessorin {

bool othersMayWrite(const struct stat& status, uid_t user);

// The user is the group's only member: no other account has it as its primary group or
// is listed in it, and the user is one of the two.
bool isPrivateGroup(gid_t group, uid_t user);

}  // namespace tessorin
