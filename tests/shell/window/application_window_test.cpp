// The built program on an X server (run under with-xvfb), with a loop-mounted card and disk
// images shown, in settings and folders of its own: its window comes up without a single
// QML warning, a picture of it is saved into the build folder, a second start hands over
// to the first and raises its window over another one, and SIGTERM ends it, also with a
// FIFO in place of a file it reads.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <sys/stat.h>
#include <gtest/gtest.h>

#include "LoopVolume.hpp"
#include "ProgramStarts.hpp"

namespace tessorin {
namespace {

using testing::environmentIn;
using testing::run;
using testing::tessorinWindow;
using testing::waitFor;

// Where the window stands among the screen's top-level windows, the top one first (as
// xwininfo lists them), and -1 when it is not there.
int stackingPlace(const QString& window) {
  const QStringList lines =
      run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-children")}).split(QLatin1Char('\n'));
  int place = 0;
  for (const QString& line : lines) {
    const QString id = line.trimmed().section(QLatin1Char(' '), 0, 0);
    if (!id.startsWith(QStringLiteral("0x"))) continue;
    if (id.toULongLong(nullptr, 16) == window.toULongLong(nullptr, 16)) return place;
    ++place;
  }
  return -1;
}

TEST(Application, ItsWindowComesUpCleanlyASecondStartRaisesItAndSigtermEndsIt) {
  TESSORIN_REQUIRE_VOLUMES();
  const QString binary = qEnvironmentVariable("TESSORIN_BINARY");
  const QString picture = qEnvironmentVariable("TESSORIN_SCREENSHOT");
  ASSERT_FALSE(binary.isEmpty());
  ASSERT_FALSE(qEnvironmentVariable("DISPLAY").isEmpty()) << "run under tests/support/with-xvfb";

  QTemporaryDir home;
  const QProcessEnvironment environment = environmentIn(home);
  {
    QSettings settings(home.filePath("config/Tessorin/Tessorin.conf"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("ShowDiskImages"), true);
  }
  auto card = testing::LoopVolume::create(testing::FileSystemKind::exfat, 128 << 20, "WINDOWCARD");

  QProcess first;
  first.setProcessEnvironment(environment);
  first.start(binary, {});
  ASSERT_TRUE(first.waitForStarted());
  QString window;
  ASSERT_TRUE(waitFor([&window] { return !(window = tessorinWindow()).isEmpty(); }, 60'000)) << "no Tessorin window";
  // The card shows in the sidebar and its page is drawn.
  QThread::msleep(3000);
  ASSERT_EQ(run(QStringLiteral("import"), {QStringLiteral("-window"), window, picture}), QString());
  EXPECT_TRUE(QFile::exists(picture));
  std::printf("the window: %s\n", qPrintable(picture));

  // Another window comes over it; a second start brings it back to the top.
  QProcess other;
  other.start(QStringLiteral("xmessage"), {QStringLiteral("-name"), QStringLiteral("other"), QStringLiteral("other")});
  ASSERT_TRUE(other.waitForStarted());
  QString otherWindow;
  ASSERT_TRUE(waitFor(
      [&otherWindow] {
        otherWindow = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                      QStringLiteral("--classname"), QStringLiteral("other")})
                          .section(QLatin1Char('\n'), 0, 0)
                          .trimmed();
        return !otherWindow.isEmpty();
      },
      15'000));
  otherWindow = QStringLiteral("0x") + QString::number(otherWindow.toULongLong(), 16);
  ASSERT_LT(stackingPlace(otherWindow), stackingPlace(window));

  QProcess second;
  second.setProcessEnvironment(environment);
  second.start(binary, {});
  ASSERT_TRUE(second.waitForFinished(60'000)) << "the second start did not go";
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  // Generous: on a machine busy with other tests' disk images the program's main thread
  // spends seconds rescanning them.
  EXPECT_TRUE(waitFor([&] { return stackingPlace(window) < stackingPlace(otherWindow); }, 60'000))
      << "the first window was not raised";
  EXPECT_EQ(first.state(), QProcess::Running);
  other.kill();
  other.waitForFinished();

  first.terminate();
  ASSERT_TRUE(first.waitForFinished(60'000)) << "SIGTERM did not end the program";
  EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(first.exitCode(), 0);

  const QString errors = QString::fromUtf8(first.readAllStandardError() + second.readAllStandardError());
  std::fprintf(stderr, "%s", qPrintable(errors));
  EXPECT_FALSE(errors.contains(QStringLiteral("qml"), Qt::CaseInsensitive)) << "a QML warning: " << errors.toStdString();
  EXPECT_FALSE(errors.contains(QStringLiteral("Warning"), Qt::CaseInsensitive)) << errors.toStdString();
}

// A FIFO at a file the program reads as it starts (its settings, the desktop's, the
// community's records) would hold a blocking open until a writer came: the start, or the
// thread that reads it and with it the quit.
TEST(Application, StartsAndEndsOnSigtermWithAFifoInPlaceOfAFileItReads) {
  const QString binary = qEnvironmentVariable("TESSORIN_BINARY");
  ASSERT_FALSE(binary.isEmpty());
  ASSERT_FALSE(qEnvironmentVariable("DISPLAY").isEmpty()) << "run under tests/support/with-xvfb";
  for (const char* fifo : {"config/Tessorin/Tessorin.conf", "config/Tessorin.conf", "config/kdeglobals",
                           "config/dconf/user", "data/Tessorin/Tessorin/Community.sqlite"}) {
    SCOPED_TRACE(fifo);
    QTemporaryDir home;
    const QProcessEnvironment environment = environmentIn(home);
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.filePath(fifo)).constData(), 0600), 0);

    QProcess program;
    program.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    program.start(binary, {});
    ASSERT_TRUE(program.waitForStarted());
    EXPECT_TRUE(waitFor([] { return !tessorinWindow().isEmpty(); }, 60'000)) << "the start hung";
    std::printf("%s: window after %lld ms\n", fifo, static_cast<long long>(clock.elapsed()));
    // The desktop's settings are read in the background once the window loads.
    QThread::msleep(2000);

    clock.restart();
    program.terminate();
    // Far beyond any quit that does not hang; how fast it is, is a benchmark's question.
    const bool ended = program.waitForFinished(30'000);
    std::printf("%s: %s %lld ms after SIGTERM\n", fifo, ended ? "ended" : "still running",
                static_cast<long long>(clock.elapsed()));
    if (!ended) {
      program.kill();
      program.waitForFinished();
      ADD_FAILURE() << "SIGTERM did not end the program";
    }
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    // The organisation's file beside the user's is never opened, so there is nothing to tell.
    if (QByteArray(fifo) == "config/Tessorin/Tessorin.conf") {
      const QString errors = QString::fromUtf8(program.readAllStandardError());
      EXPECT_TRUE(errors.contains(home.filePath(fifo))) << "the user was not told: " << errors.toStdString();
    }
    struct stat left {};
    ASSERT_EQ(::lstat(QFile::encodeName(home.filePath(fifo)).constData(), &left), 0);
    EXPECT_TRUE(S_ISFIFO(left.st_mode)) << "it was replaced";
  }
}

}  // namespace
}  // namespace tessorin
