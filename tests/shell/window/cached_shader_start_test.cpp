// The built program and the gallery, each started three times in a home of its own on an
// X server (run under with-xvfb), over the shaders Qt's effects build and keep in the
// user's cache. After the first start one of them is cut short, as a run killed while
// writing it leaves it: the next start builds it anew, and neither it nor the start after
// it shows Qt's "Failed to deserialize" (which, left alone, came back at every start).
// Another program holding the cache's lock alone keeps no window from showing.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtGui/private/qshader_p.h>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>

#include "ProgramStarts.hpp"

namespace tessorin {
namespace {

using testing::environmentIn;
using testing::tessorinWindow;
using testing::waitFor;

const QString failedToRead = QStringLiteral("Failed to deserialize");
const QString removedNotice = QStringLiteral("removed a cached shader");

QString shaderFolderIn(const QTemporaryDir& home, const QString& program) {
  return home.filePath(QStringLiteral("cache/Tessorin/%1/_qt_QGfxShaderBuilder_" QT_VERSION_STR).arg(program));
}

// Each cached shader by name, with its bytes.
QMap<QString, QByteArray> shadersIn(const QString& folder) {
  QMap<QString, QByteArray> shaders;
  for (const QString& name : QDir(folder).entryList({QStringLiteral("*.qsb")}, QDir::Files)) {
    QFile file(QDir(folder).filePath(name));
    if (file.open(QIODevice::ReadOnly)) shaders.insert(name, file.readAll());
  }
  return shaders;
}

bool readable(const QByteArray& bytes) { return QShader::fromSerialized(bytes).isValid(); }

bool allReadable(const QMap<QString, QByteArray>& shaders) {
  return !shaders.isEmpty() && std::all_of(shaders.begin(), shaders.end(), readable);
}

// The first in half, as a run killed while writing it leaves it; its name.
QString cutOneShort(const QString& folder, const QMap<QString, QByteArray>& shaders) {
  const QString name = shaders.firstKey();
  QFile file(QDir(folder).filePath(name));
  if (!file.resize(shaders.first().size() / 2)) return {};
  return name;
}

struct Start {
  bool ready = false;
  int exitCode = -1;
  QString output;
  int failedLines() const { return static_cast<int>(output.count(failedToRead)); }
  int lines() const { return static_cast<int>(output.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size()); }
};

// The application until its window is up and `ready` holds, then ended with SIGTERM, as a
// user quits it.
Start startApplication(const QProcessEnvironment& environment, const std::function<bool()>& ready) {
  QProcess program;
  program.setProcessEnvironment(environment);
  program.setProcessChannelMode(QProcess::MergedChannels);
  program.start(qEnvironmentVariable("TESSORIN_BINARY"), {});
  Start start;
  start.ready = program.waitForStarted() && waitFor([&] { return !tessorinWindow().isEmpty() && ready(); }, 90'000);
  program.terminate();
  if (!program.waitForFinished(60'000)) {
    program.kill();
    program.waitForFinished();
  }
  start.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
  start.output = QString::fromUtf8(program.readAll());
  return start;
}

// The gallery draws a state whose buttons glow; it fails on any warning Qt gives.
Start startGallery(const QProcessEnvironment& environment, const QString& pictures) {
  QProcess gallery;
  gallery.setProcessEnvironment(environment);
  gallery.setProcessChannelMode(QProcess::MergedChannels);
  gallery.start(qEnvironmentVariable("TESSORIN_GALLERY"), {pictures, QStringLiteral("CardDetailView-idle-exfat-64-GB")});
  Start start;
  start.ready = gallery.waitForStarted() && gallery.waitForFinished(180'000);
  start.exitCode = gallery.exitStatus() == QProcess::NormalExit ? gallery.exitCode() : -1;
  start.output = QString::fromUtf8(gallery.readAll());
  return start;
}

void report(const char* program, int number, const Start& start) {
  std::printf("%s, start %d: %d lines of output, %d of them \"%s\", exit code %d\n", program, number, start.lines(),
              start.failedLines(), qPrintable(failedToRead), start.exitCode);
}

// Each test in a home of its own, with the programs to start.
class CachedShaders : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(qEnvironmentVariable("TESSORIN_BINARY").isEmpty());
    ASSERT_FALSE(qEnvironmentVariable("TESSORIN_GALLERY").isEmpty());
    ASSERT_FALSE(qEnvironmentVariable("DISPLAY").isEmpty()) << "run under tests/support/with-xvfb";
  }

  QTemporaryDir home;
  const QProcessEnvironment environment = environmentIn(home);
};

TEST_F(CachedShaders, OneCutShortIsBuiltAnewAtTheApplicationsNextStartAndTheStartAfterIsClean) {
  const QString folder = shaderFolderIn(home, QStringLiteral("Tessorin"));

  const Start first = startApplication(environment, [&] { return allReadable(shadersIn(folder)); });
  report("Tessorin", 1, first);
  ASSERT_TRUE(first.ready) << "no window, or no shader built: " << first.output.toStdString();
  const QMap<QString, QByteArray> built = shadersIn(folder);
  const QString cut = cutOneShort(folder, built);
  ASSERT_FALSE(cut.isEmpty());
  ASSERT_FALSE(readable(shadersIn(folder).value(cut)));

  const Start second = startApplication(environment, [&] { return readable(shadersIn(folder).value(cut)); });
  report("Tessorin", 2, second);
  EXPECT_TRUE(second.ready) << "the shader cut short was not built anew: " << second.output.toStdString();
  EXPECT_EQ(second.failedLines(), 0) << second.output.toStdString();
  EXPECT_EQ(second.output.count(removedNotice), 1) << second.output.toStdString();
  EXPECT_TRUE(second.output.contains(cut)) << second.output.toStdString();
  const QMap<QString, QByteArray> rebuilt = shadersIn(folder);
  for (auto shader = built.begin(); shader != built.end(); ++shader) {
    if (shader.key() != cut) {
      EXPECT_EQ(rebuilt.value(shader.key()), shader.value()) << "touched: " << shader.key().toStdString();
    }
  }

  const Start third = startApplication(environment, [] { return true; });
  report("Tessorin", 3, third);
  EXPECT_TRUE(third.ready);
  EXPECT_EQ(third.failedLines(), 0) << third.output.toStdString();
  EXPECT_FALSE(third.output.contains(removedNotice)) << third.output.toStdString();
  EXPECT_EQ(shadersIn(folder), rebuilt);
}

TEST_F(CachedShaders, OneCutShortFailsNoGalleryRunAfterIt) {
  const QString folder = shaderFolderIn(home, QStringLiteral("Tessorin Gallery"));
  const QString pictures = home.filePath(QStringLiteral("pictures"));

  const Start first = startGallery(environment, pictures);
  report("gallery", 1, first);
  ASSERT_EQ(first.exitCode, 0) << first.output.toStdString();
  const QMap<QString, QByteArray> built = shadersIn(folder);
  ASSERT_TRUE(allReadable(built)) << "the state drew no effect that builds its shaders";
  const QString cut = cutOneShort(folder, built);
  ASSERT_FALSE(cut.isEmpty());

  QMap<QString, QByteArray> before = built;
  for (const int number : {2, 3}) {
    const Start later = startGallery(environment, pictures);
    report("gallery", number, later);
    EXPECT_EQ(later.exitCode, 0) << later.output.toStdString();
    EXPECT_EQ(later.failedLines(), 0) << later.output.toStdString();
    const QMap<QString, QByteArray> now = shadersIn(folder);
    EXPECT_TRUE(allReadable(now));
    EXPECT_EQ(now.keys(), built.keys());
    // Once whole again, nothing is built a second time.
    if (number == 3) {
      EXPECT_EQ(now, before);
    }
    before = now;
  }
}

TEST_F(CachedShaders, AProgramHoldingTheCachesLockAloneKeepsNoWindowFromShowing) {
  const QString folder = shaderFolderIn(home, QStringLiteral("Tessorin"));
  ASSERT_TRUE(QDir().mkpath(QFileInfo(folder).path()));
  const int held = ::open(QFile::encodeName(folder + QStringLiteral(".lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

  const Start start = startApplication(environment, [] { return true; });
  ::close(held);
  report("Tessorin", 1, start);
  EXPECT_TRUE(start.ready) << "no window while another program held the cache's lock: " << start.output.toStdString();
}

}  // namespace
}  // namespace tessorin
