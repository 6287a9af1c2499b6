#include "shell/core/ShaderCache.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGui/private/qshader_p.h>
#include <gtest/gtest.h>

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

// The broken file is left where the folder cannot be trusted, or where whether another
// program is writing in it cannot be told.
TEST(ShaderCache, NothingIsRemovedThroughALinkInAFolderOthersMayWriteOrWithoutTheLock) {
  struct Case {
    const char* what;
    std::function<void(CacheFolder&)> arrange;
    std::function<QString(const CacheFolder&)> folder;
  };
  const auto theFolder = [](const CacheFolder& cache) { return cache.path; };
  const std::vector<Case> cases{
      {"the folder is a link",
       [](CacheFolder& cache) { ASSERT_TRUE(QFile::link(cache.path, cache.root.filePath(QStringLiteral("linked")))); },
       [](const CacheFolder& cache) { return cache.root.filePath(QStringLiteral("linked")); }},
      {"others may write in the folder",
       [](CacheFolder& cache) { ASSERT_EQ(::chmod(QFile::encodeName(cache.path).constData(), 0777), 0); }, theFolder},
      {"a FIFO stands at the lock's name",
       [](CacheFolder& cache) {
         ASSERT_EQ(::mkfifo(QFile::encodeName(cache.path + QStringLiteral(".lock")).constData(), 0600), 0);
       },
       theFolder},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.what);
    CacheFolder cache;
    write(cache.file("cut.qsb"), wholeShader().left(10));
    each.arrange(cache);

    EXPECT_TRUE(ShaderCache(each.folder(cache)).repair().isEmpty());
    EXPECT_TRUE(standsAt(cache.file("cut.qsb")));
  }
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
