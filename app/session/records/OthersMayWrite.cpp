#include "session/records/OthersMayWrite.hpp"

#include <grp.h>
#include <pwd.h>

#include <cerrno>
#include <mutex>
#include <optional>
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

// Members named in the group's entry: nothing when the group is unknown, or one of them is
// no account; otherwise whether any is another user, and whether the user is among them.
struct Listed {
  bool others = false;
  bool user = false;
};

std::optional<Listed> listedIn(gid_t group, uid_t user) {
  std::vector<char> buffer;
  struct group entry {};
  const struct group* found =
      lookUp(entry, buffer, [group](struct group* into, char* bytes, std::size_t size, struct group** result) {
        return ::getgrgid_r(group, into, bytes, size, result);
      });
  if (found == nullptr) return std::nullopt;
  Listed listed;
  for (char** member = found->gr_mem; member != nullptr && *member != nullptr; ++member) {
    const std::optional<uid_t> uid = uidNamed(*member);
    if (!uid) return std::nullopt;
    (*uid == user ? listed.user : listed.others) = true;
  }
  return listed;
}

// Every account's primary group is read from one list the system walks with a position of
// its own: one walk at a time in this process.
std::mutex walkingAccounts;

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

}  // namespace

bool isPrivateGroup(gid_t group, uid_t user) {
  const std::optional<Listed> listed = listedIn(group, user);
  if (!listed || listed->others) return false;
  if (!listed->user && primaryGroupOf(user) != group) return false;
  return !anotherAccountHasItFirst(group, user);
}

bool othersMayWrite(const struct stat& status, uid_t user) {
  if ((status.st_mode & S_IWOTH) != 0) return true;
  return (status.st_mode & S_IWGRP) != 0 && !isPrivateGroup(status.st_gid, user);
}

}  // namespace tessorin
