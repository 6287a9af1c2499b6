#include "session/records/OthersMayWrite.hpp"

#include <acl/libacl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/acl.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace tessorin {

namespace {

// A reentrant look-up of an account or a group, with a buffer grown until the entry fits;
// the entry found, or nothing.
template <class Entry, class Call>
Entry* lookUp(Entry& entry, std::vector<char>& buffer, Call call) {
  if (buffer.empty()) buffer.resize(16384);
  Entry* found = nullptr;
  while (call(&entry, buffer.data(), buffer.size(), &found) == ERANGE) buffer.resize(buffer.size() * 2);
  return found;
}

std::optional<uid_t> uidNamed(const char* name) {
  std::vector<char> buffer;
  passwd entry {};
  const passwd* found = lookUp(entry, buffer, [name](passwd* into, char* bytes, std::size_t size, passwd** result) {
    return ::getpwnam_r(name, into, bytes, size, result);
  });
  return found ? std::optional(found->pw_uid) : std::nullopt;
}

std::optional<gid_t> primaryGroupOf(uid_t user) {
  std::vector<char> buffer;
  passwd entry {};
  const passwd* found = lookUp(entry, buffer, [user](passwd* into, char* bytes, std::size_t size, passwd** result) {
    return ::getpwuid_r(user, into, bytes, size, result);
  });
  return found ? std::optional(found->pw_gid) : std::nullopt;
}

// The accounts and the groups are each read from one list the system walks with a position
// of its own: one walk at a time in this process.
std::mutex walkingAccounts;

void addMembers(const struct group& entry, std::vector<std::string>& members) {
  for (char** member = entry.gr_mem; member != nullptr && *member != nullptr; ++member) members.emplace_back(*member);
}

// The members named in every entry the group's id has: the look-up by id gives the first
// alone, and a group made with the id of another (groupadd -o) lists members of its own.
// Nothing when no entry has the id. A directory service that lists no groups still
// answers the look-up by id.
std::optional<std::vector<std::string>> membersOf(gid_t group) {
  std::vector<std::string> members;
  bool found = false;
  std::vector<char> buffer;
  struct group entry {};
  if (const struct group* first =
          lookUp(entry, buffer, [group](struct group* into, char* bytes, std::size_t size, struct group** result) {
            return ::getgrgid_r(group, into, bytes, size, result);
          })) {
    found = true;
    addMembers(*first, members);
  }
  const std::lock_guard lock(walkingAccounts);
  ::setgrent();
  while (const struct group* next = lookUp(entry, buffer, ::getgrent_r)) {
    if (next->gr_gid != group) continue;
    found = true;
    addMembers(*next, members);
  }
  ::endgrent();
  return found ? std::optional(std::move(members)) : std::nullopt;
}

// Members named in the group's entries: nothing when the group is unknown, or one of them
// is no account; otherwise whether any is another user, and whether the user is among them.
struct Listed {
  bool others = false;
  bool user = false;
};

std::optional<Listed> listedIn(gid_t group, uid_t user) {
  const std::optional<std::vector<std::string>> members = membersOf(group);
  if (!members) return std::nullopt;
  Listed listed;
  for (const std::string& member : *members) {
    const std::optional<uid_t> uid = uidNamed(member.c_str());
    if (!uid) return std::nullopt;
    (*uid == user ? listed.user : listed.others) = true;
  }
  return listed;
}

bool anotherAccountHasItFirst(gid_t group, uid_t user) {
  const std::lock_guard lock(walkingAccounts);
  std::vector<char> buffer;
  bool found = false;
  ::setpwent();
  passwd entry {};
  while (const passwd* next = lookUp(entry, buffer, ::getpwent_r)) {
    if (next->pw_gid == group && next->pw_uid != user) {
      found = true;
      break;
    }
  }
  ::endpwent();
  return found;
}

struct AclFreed {
  void operator()(void* object) const { ::acl_free(object); }
};
using Acl = std::unique_ptr<std::remove_pointer_t<acl_t>, AclFreed>;

// Who besides the owner an access ACL lets write; a file system without ACLs, or a file
// without one, gives the ACL its mode stands for. Nothing when it cannot be read.
struct AclWriters {
  bool everyone = false;
  // The entry of the file's own group.
  bool ownGroup = false;
  // With no mask, no entry but the file's own group's is there for it to limit.
  bool mask = true;
  std::vector<uid_t> users;
  std::vector<gid_t> groups;
};

// Adds the user or group an entry names; false when it cannot be read.
template <class Id>
bool addNamed(acl_entry_t entry, std::vector<Id>& named) {
  void* qualifier = ::acl_get_qualifier(entry);
  if (qualifier == nullptr) return false;
  named.push_back(*static_cast<Id*>(qualifier));
  ::acl_free(qualifier);
  return true;
}

std::optional<AclWriters> aclWritersOf(int descriptor) {
  // fgetxattr refuses a descriptor opened with O_PATH; the link the system keeps to what a
  // descriptor has open leads to it, whatever stands at its name now.
  const std::string opened = "/proc/self/fd/" + std::to_string(descriptor);
  const Acl acl(::acl_get_file(opened.c_str(), ACL_TYPE_ACCESS));
  if (!acl) return std::nullopt;
  AclWriters writers;
  acl_entry_t entry = nullptr;
  int got = ::acl_get_entry(acl.get(), ACL_FIRST_ENTRY, &entry);
  for (; got == 1; got = ::acl_get_entry(acl.get(), ACL_NEXT_ENTRY, &entry)) {
    acl_tag_t tag = ACL_UNDEFINED_TAG;
    acl_permset_t permissions = nullptr;
    if (::acl_get_tag_type(entry, &tag) != 0 || ::acl_get_permset(entry, &permissions) != 0) return std::nullopt;
    const int writes = ::acl_get_perm(permissions, ACL_WRITE);
    if (writes < 0) return std::nullopt;
    switch (tag) {
      case ACL_OTHER:
        writers.everyone = writes != 0;
        break;
      case ACL_GROUP_OBJ:
        writers.ownGroup = writes != 0;
        break;
      case ACL_MASK:
        writers.mask = writes != 0;
        break;
      case ACL_USER:
        if (writes != 0 && !addNamed(entry, writers.users)) return std::nullopt;
        break;
      case ACL_GROUP:
        if (writes != 0 && !addNamed(entry, writers.groups)) return std::nullopt;
        break;
      default:
        break;
    }
  }
  if (got != 0) return std::nullopt;
  return writers;
}

}  // namespace

bool isPrivateGroup(gid_t group, uid_t user) {
  const std::optional<Listed> listed = listedIn(group, user);
  if (!listed || listed->others) return false;
  if (!listed->user && primaryGroupOf(user) != group) return false;
  return !anotherAccountHasItFirst(group, user);
}

bool othersMayWrite(int descriptor, const struct stat& status, uid_t user) {
  if ((status.st_mode & S_IWOTH) != 0) return true;
  // The group bits of the mode are the mask's where there is one: the ACL tells the rest.
  const std::optional<AclWriters> writers = aclWritersOf(descriptor);
  if (!writers) return true;
  if (writers->everyone) return true;
  if (!writers->mask) return false;
  if (writers->ownGroup && !isPrivateGroup(status.st_gid, user)) return true;
  // Root may write anyway; an entry for the user is the user's own.
  for (const uid_t named : writers->users) {
    if (named != user && named != 0) return true;
  }
  for (const gid_t named : writers->groups) {
    if (!isPrivateGroup(named, user)) return true;
  }
  return false;
}

}  // namespace tessorin
