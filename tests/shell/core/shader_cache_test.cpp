#include "shell/core/ShaderCache.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <vector>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGui/private/qshader_p.h>
#include <gtest/gtest.h>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {
namespace {

// A shader as the effects keep it, through Qt's own serializer.
QByteArray wholeShader() {
  QShader shader;
  shader.setStage(QShader::FragmentStage);
  shader.setShader(QShaderKey(QShader::GlslShader, QShaderVersion(100, QShaderVersion::GlslEs)),
                   QShaderCode(QByteArrayLiteral("void main() { gl_FragColor = vec4(1.0); }")));
  return shader.serialized();
}

void write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  ASSERT_EQ(file.write(bytes), bytes.size());
}

// Whatever stands there, a link itself rather than what it points at.
bool standsAt(const QString& path) {
  struct stat status {};
  return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

struct CacheFolder {
  QTemporaryDir root;
  QString path = root.filePath(QStringLiteral("_qt_QGfxShaderBuilder_6.4.2"));
  CacheFolder() { QDir().mkpath(path); }
  QString file(const QString& name) const { return QDir(path).filePath(name); }
};

QStringList& caught() {
  static QStringList messages;
  return messages;
}

void catchMessage(QtMsgType, const QMessageLogContext&, const QString& message) { caught().append(message); }

// Qt's own warnings about the broken files, which read as if the window had failed to
// draw, are not shown; what is said after the check is.
TEST(ShaderCache, OnlyTheCachedShadersQtCannotReadAreRemovedQuietly) {
  CacheFolder cache;
  const QByteArray whole = wholeShader();
  ASSERT_TRUE(QShader::fromSerialized(whole).isValid());
  write(cache.file("whole.qsb"), whole);
  write(cache.file("cut.qsb"), whole.left(whole.size() / 2));
  write(cache.file("empty.qsb"), {});
  // Uncompresses, yet holds no shader.
  write(cache.file("noshader.qsb"), qCompress(QByteArrayLiteral("not a shader at all")));
  write(cache.file("notes.txt"), QByteArrayLiteral("not a shader either, nor the effects' file"));

  const QtMessageHandler before = qInstallMessageHandler(catchMessage);
  caught().clear();
  QStringList removed = ShaderCache(cache.path).repair();
  qWarning("said after the check");
  qInstallMessageHandler(before);

  EXPECT_EQ(caught(), QStringList{QStringLiteral("said after the check")});
  removed.sort();
  EXPECT_EQ(removed, QStringList({cache.file("cut.qsb"), cache.file("empty.qsb"), cache.file("noshader.qsb")}));
  EXPECT_TRUE(standsAt(cache.file("whole.qsb")));
  EXPECT_TRUE(standsAt(cache.file("notes.txt")));
  for (const QString& gone : removed) EXPECT_FALSE(standsAt(gone)) << gone.toStdString();
}

TEST(ShaderCache, LinksFifosFoldersAndOtherUsersFilesAreLeftAlone) {
  ASSERT_EQ(::geteuid(), 0u) << "giving a file to another user needs root";
  CacheFolder cache;
  const QString elsewhere = cache.root.filePath(QStringLiteral("elsewhere.qsb"));
  write(elsewhere, QByteArrayLiteral("broken"));
  ASSERT_TRUE(QFile::link(elsewhere, cache.file("link.qsb")));
  ASSERT_TRUE(QFile::link(cache.root.filePath(QStringLiteral("nothing")), cache.file("dangling.qsb")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(cache.file("fifo.qsb")).constData(), 0600), 0);
  ASSERT_TRUE(QDir().mkpath(cache.file("folder.qsb")));
  write(cache.file("others.qsb"), QByteArrayLiteral("broken"));
  ASSERT_EQ(::chown(QFile::encodeName(cache.file("others.qsb")).constData(), 65534, 65534), 0);

  EXPECT_TRUE(ShaderCache(cache.path).repair().isEmpty());
  for (const char* name : {"link.qsb", "dangling.qsb", "fifo.qsb", "folder.qsb", "others.qsb"}) {
    EXPECT_TRUE(standsAt(cache.file(name))) << name;
  }
  EXPECT_TRUE(standsAt(elsewhere));
}

bool giveTo(const QString& path, uid_t user, gid_t group) {
  return ::lchown(QFile::encodeName(path).constData(), user, group) == 0;
}

constexpr uid_t nobody = 65534;
constexpr gid_t nogroup = 65534;
constexpr uid_t unchanged = static_cast<uid_t>(-1);

// The broken file is left where the folder cannot be trusted, or where whether another
// program is writing in it cannot be told; the folders are judged as the settings' are,
// so a group only the user is in is the user's.
TEST(ShaderCache, NothingIsRemovedThroughALinkInAFolderOthersMayWriteOrWithoutTheLock) {
  ASSERT_EQ(::geteuid(), 0u) << "giving a file to another user needs root";
  struct Case {
    const char* what;
    std::function<void(CacheFolder&)> arrange;
    std::function<QString(const CacheFolder&)> folder;
    bool repaired = false;
  };
  const auto theFolder = [](const CacheFolder& cache) { return cache.path; };
  const auto lockOf = [](const CacheFolder& cache) { return cache.path + QStringLiteral(".lock"); };
  const std::vector<Case> cases{
      {"the folder is a link",
       [](CacheFolder& cache) { ASSERT_TRUE(QFile::link(cache.path, cache.root.filePath(QStringLiteral("linked")))); },
       [](const CacheFolder& cache) { return cache.root.filePath(QStringLiteral("linked")); }},
      {"the folder on the way is another user's link",
       [](CacheFolder& cache) {
         const QString linked = cache.root.filePath(QStringLiteral("linked"));
         ASSERT_TRUE(QFile::link(cache.root.path(), linked) && giveTo(linked, nobody, nogroup));
       },
       [](const CacheFolder& cache) {
         return cache.root.filePath(QStringLiteral("linked/_qt_QGfxShaderBuilder_6.4.2"));
       }},
      {"others may write in the folder",
       [](CacheFolder& cache) { ASSERT_EQ(::chmod(QFile::encodeName(cache.path).constData(), 0777), 0); }, theFolder},
      {"a group another user is in may write in the folder",
       [](CacheFolder& cache) {
         ASSERT_EQ(::chmod(QFile::encodeName(cache.path).constData(), 0770), 0);
         ASSERT_TRUE(giveTo(cache.path, unchanged, nogroup));
       },
       theFolder},
      {"the user's private group may write in the folder",
       [](CacheFolder& cache) {
         ASSERT_EQ(::chmod(QFile::encodeName(cache.path).constData(), 0770), 0);
         ASSERT_TRUE(giveTo(cache.path, unchanged, ::getegid()));
       },
       theFolder, true},
      {"a group another user is in may write in the folder on the way",
       [](CacheFolder& cache) {
         ASSERT_EQ(::chmod(QFile::encodeName(cache.root.path()).constData(), 0770), 0);
         ASSERT_TRUE(giveTo(cache.root.path(), unchanged, nogroup));
       },
       theFolder},
      {"a FIFO stands at the lock's name",
       [&](CacheFolder& cache) { ASSERT_EQ(::mkfifo(QFile::encodeName(lockOf(cache)).constData(), 0600), 0); },
       theFolder},
      {"the lock is another user's file",
       [&](CacheFolder& cache) {
         write(lockOf(cache), {});
         ASSERT_EQ(::chmod(QFile::encodeName(lockOf(cache)).constData(), 0666), 0);
         ASSERT_TRUE(giveTo(lockOf(cache), nobody, nogroup));
       },
       theFolder},
      {"the lock is a link to a file of the user's",
       [&](CacheFolder& cache) {
         write(cache.root.filePath(QStringLiteral("notes.txt")), "notes");
         ASSERT_TRUE(QFile::link(cache.root.filePath(QStringLiteral("notes.txt")), lockOf(cache)));
       },
       theFolder},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.what);
    CacheFolder cache;
    write(cache.file("cut.qsb"), wholeShader().left(10));
    each.arrange(cache);

    const QStringList removed = ShaderCache(each.folder(cache)).repair();
    EXPECT_EQ(removed.size(), each.repaired ? 1 : 0);
    EXPECT_EQ(standsAt(cache.file("cut.qsb")), !each.repaired);
  }
}

// A program that holds the lock alone, for whatever reason, keeps no start waiting: the
// start goes on without the repair, and a later one repairs once the lock is free.
TEST(ShaderCache, AProgramHoldingTheLockAloneKeepsNoStartWaiting) {
  CacheFolder cache;
  const QString cut = cache.file("cut.qsb");
  write(cut, wholeShader().left(10));
  {
    const FileDescriptor held(
        ::open(QFile::encodeName(cache.path + QStringLiteral(".lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    ASSERT_TRUE(held && ::flock(held.get(), LOCK_EX | LOCK_NB) == 0);
    std::future<QStringList> repaired = std::async(std::launch::async, [&] { return ShaderCache(cache.path).repair(); });
    // Far beyond any wait of the start's; a start that waits for the lock never ends.
    ASSERT_EQ(repaired.wait_for(std::chrono::seconds(120)), std::future_status::ready) << "the start waits for the lock";
    EXPECT_TRUE(repaired.get().isEmpty());
    EXPECT_TRUE(standsAt(cut));
  }
  EXPECT_EQ(ShaderCache(cache.path).repair(), QStringList{cut});
}

TEST(ShaderCache, WhileAnotherProgramHoldsTheFolderNothingIsRemoved) {
  CacheFolder cache;
  const QString cut = cache.file("cut.qsb");
  {
    ShaderCache first(cache.path);
    EXPECT_TRUE(first.repair().isEmpty());
    // Now the first may be writing this one, as Qt does: opened empty, then written.
    write(cut, {});
    {
      ShaderCache second(cache.path);
      EXPECT_TRUE(second.repair().isEmpty());
      EXPECT_TRUE(standsAt(cut));
    }
    ShaderCache third(cache.path);
    EXPECT_TRUE(third.repair().isEmpty()) << "the first still holds it";
  }
  EXPECT_EQ(ShaderCache(cache.path).repair(), QStringList{cut});
}

}  // namespace
}  // namespace tessorin
