#pragma once
// What the tests of the files Tessorin keeps for the user share: files and folders made,
// read and given to their owners as the test wants, to stand for what another user (the
// unprivileged "nobody", OrdinaryUser) or the user's own private group put there. Giving
// a file away needs root, as the tests that use these run.

#include <pwd.h>
#include <acl/libacl.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "OrdinaryUser.hpp"

namespace tessorin::testing {

inline QByteArray textOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeText(const QString& path, const QByteArray& text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

// What stands at the name itself, a link not followed.
inline struct stat statusAt(const QString& path) {
  struct stat status {};
  ::lstat(QFile::encodeName(path).constData(), &status);
  return status;
}

inline bool setMode(const QString& path, mode_t mode) { return ::chmod(QFile::encodeName(path).constData(), mode) == 0; }

inline bool giveToNobody(const QString& path) {
  return ::lchown(QFile::encodeName(path).constData(), OrdinaryUser::uid, OrdinaryUser::gid) == 0;
}

// A group that holds another user besides this one: nobody's.
inline bool giveToASharedGroup(const QString& path) {
  return ::lchown(QFile::encodeName(path).constData(), static_cast<uid_t>(-1), OrdinaryUser::gid) == 0;
}

// The group the user is the only member of, as Debian makes one for each user.
inline bool giveToTheUsersPrivateGroup(const QString& path) {
  const passwd* user = ::getpwuid(::geteuid());
  return user != nullptr && ::lchown(QFile::encodeName(path).constData(), static_cast<uid_t>(-1), user->pw_gid) == 0;
}

// Adds entries to the access ACL of path as setfacl -m does (text as acl(5) writes it, as
// "u:65534:rwx"), the mask made to cover every entry unless text sets one. With default,
// sets the folder's default ACL instead, which only what is made in it later takes.
inline bool addToAcl(const QString& path, const QByteArray& text, bool isDefault = false) {
  const QByteArray name = QFile::encodeName(path);
  const acl_type_t type = isDefault ? ACL_TYPE_DEFAULT : ACL_TYPE_ACCESS;
  QByteArray whole = text;
  if (!isDefault) {
    acl_t current = ::acl_get_file(name.constData(), ACL_TYPE_ACCESS);
    if (current == nullptr) return false;
    char* currentText = ::acl_to_any_text(current, nullptr, ',', TEXT_ABBREVIATE);
    ::acl_free(current);
    if (currentText == nullptr) return false;
    // The mode's own entries stay; a mask of the mode's is the one text may replace.
    for (const QByteArray& entry : QByteArray(currentText).split(',')) {
      if (!entry.startsWith("m:") || !text.contains("m:")) whole += ',' + entry;
    }
    ::acl_free(currentText);
  }
  acl_t acl = ::acl_from_text(whole.constData());
  if (acl == nullptr) return false;
  const bool set =
      (text.contains("m:") || ::acl_calc_mask(&acl) == 0) && ::acl_set_file(name.constData(), type, acl) == 0;
  ::acl_free(acl);
  return set;
}

inline QString madeFolder(const QString& path, mode_t mode, bool nobodys = false) {
  QDir().mkpath(path);
  setMode(path, mode);
  if (nobodys) giveToNobody(path);
  return path;
}

inline bool link(const QString& target, const QString& path) {
  return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) == 0;
}

inline QString linkTarget(const QString& path) {
  char target[4096];
  const ssize_t length = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
  return length > 0 ? QFile::decodeName(QByteArray(target, length)) : QString();
}

inline bool laterThan(const timespec& a, const timespec& b) {
  return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec > b.tv_nsec);
}

// Waits until the file system's clock, which moves on in coarse steps, is past every change
// to what is in folder, so that a lock taken next is later than all of it; that moment.
inline timespec fileClockPast(const QString& folder) {
  timespec newest{};
  for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
    const struct stat status = statusAt(folder + QLatin1Char('/') + name);
    if (laterThan(status.st_mtim, newest)) newest = status.st_mtim;
    if (laterThan(status.st_ctim, newest)) newest = status.st_ctim;
  }
  QTemporaryDir elsewhere;
  const QString probe = elsewhere.filePath(QStringLiteral("probe"));
  for (;;) {
    writeText(probe, "probe");
    const struct stat status = statusAt(probe);
    if (laterThan(status.st_mtim, newest)) return status.st_mtim;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Copies of the user's own beside file, named as people name them beside the file they
// copied, one in the form older versions gave their saves' new files: (path, text).
inline std::map<QString, QByteArray> usersCopiesBeside(const QString& file) {
  std::map<QString, QByteArray> copies;
  for (const char* end : {".backup", ".2024q1", ".laptop", ".Ab12Cd", ".tessorin-save-Ab12Cd"}) {
    const QString path = file + QLatin1String(end);
    copies[path] = "the user's own " + QFile::encodeName(path) + '\n';
    writeText(path, copies[path]);
  }
  return copies;
}

inline void expectUntouched(const std::map<QString, QByteArray>& copies, const char* after) {
  for (const auto& [path, text] : copies) {
    EXPECT_EQ(textOf(path), text) << after << ": " << path.toStdString() << " was removed or changed";
  }
}

// Fills the disk that holds folder to its last block with a file named filler.
inline void fillDisk(const QString& folder) {
  QFile file(folder + QStringLiteral("/filler"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
  const QByteArray block(4096, 'x');
  while (file.write(block) == block.size()) {
  }
}

// A user's home of its own for a file Tessorin keeps: base/home/data, with the home's
// .bashrc beside, every folder the user's alone until a test says otherwise.
struct UsersHome {
  UsersHome() {
    setMode(base.path(), 0755);
    madeFolder(home, 0755);
    madeFolder(data, 0700);
    writeText(bashrc, "# ~/.bashrc\nalias ll='ls -l'\n");
  }
  // Everything in data, to see that nothing was made or set aside there.
  QStringList inData() const {
    return QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  }

  QTemporaryDir base;
  QString home = base.filePath(QStringLiteral("home"));
  QString data = home + QStringLiteral("/data");
  QString bashrc = home + QStringLiteral("/.bashrc");
};

}  // namespace tessorin::testing
