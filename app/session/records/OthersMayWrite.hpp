#pragma once
// othersMayWrite: whether a file's or folder's mode, or its access ACL, lets anyone but
// this user write in it. Root may anyway, and the owner is judged apart. Group write
// counts only when the group holds another user: a group whose only member is the user
// (the private group Debian gives each user, as umask 002 expects) is the user's own. An
// ACL's entry for another user, or for a group that is not the user's own, counts when it
// grants write under the ACL's mask; with a mask, the group bits of the mode show the mask,
// and the file's own group is judged by its entry under the mask. A file system without
// ACLs has none to judge. Any thread.

#include <sys/stat.h>
#include <sys/types.h>

namespace tessorin {

// status is what descriptor has open (an O_PATH descriptor will do): the ACL is read from
// what was opened, never by a name that may lead elsewhere by now. An ACL that cannot be
// read counts as letting others write.
bool othersMayWrite(int descriptor, const struct stat& status, uid_t user);

// The user is the group's only member: no other account has it as its primary group or is
// listed in any of the group's entries (a group id may have several), and the user is one
// of the two.
bool isPrivateGroup(gid_t group, uid_t user);

}  // namespace tessorin
