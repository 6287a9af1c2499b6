// Save As… from Share Result, on an X server with a window manager: for an account with no
// Documents folder (a new one, a minimal desktop) the dialog opens in the home folder and
// saves there, and Share Result has the focus back with its ring whether the dialog saved
// or was cancelled.

#include <QDir>
#include <QFile>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "FinishedCheckSeam.hpp"
#include "GalleryEngineValues.hpp"
#include "window/DesktopCardWindow.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::CardWindow;
using testing::turnLoopUntil;

// The account's home, a new one with no Documents folder, for the test's time.
class NewHome {
 public:
  NewHome() : saved_(qgetenv("HOME")) { qputenv("HOME", QFile::encodeName(home_.path())); }
  ~NewHome() { saved_.isNull() ? qunsetenv("HOME") : qputenv("HOME", saved_); }
  NewHome(const NewHome&) = delete;
  NewHome& operator=(const NewHome&) = delete;
  QString path() const { return home_.path(); }

 private:
  QTemporaryDir home_;
  QByteArray saved_;
};

class SaveAs : public ::testing::TestWithParam<bool> {};

TEST_P(SaveAs, OpensInTheHomeFolderWhereNoDocumentsFolderIsAndGivesShareResultItsRingBack) {
  const bool saves = GetParam();
  const NewHome home;
  ASSERT_FALSE(QDir(home.path()).exists(QStringLiteral("Documents")));
  CardWindow desktop;
  ASSERT_TRUE(desktop.active) << "the window never became active";
  const ZoneResult speeds = gallery::zone(30e6, 60e6);
  FinishedCheckSeam::finish(*desktop.session, {.quick = gallery::quick(512 * testing::sessionMiB, 16, 16, speeds)});
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.shown.named(QStringLiteral("shareButton")) != nullptr; }, 10s));
  ASSERT_NE(desktop.tabTo(QStringLiteral("shareButton")), nullptr) << "Tab never reached Share Result";
  QTest::keyClick(desktop.window(), Qt::Key_Space);
  ASSERT_TRUE(turnLoopUntil([&] { return desktop.isOpen(QStringLiteral("shareMenu")); }, 5s)) << "no menu";
  ASSERT_TRUE(desktop.clickAt(QStringLiteral("saveSummary")));
  QObject* dialog = desktop.shown.named(QStringLiteral("saveDialog"));
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(turnLoopUntil([&] { return dialog->property("visible").toBool(); }, 5s)) << "no save dialog";
  EXPECT_EQ(dialog->property("currentFolder").toUrl(), QUrl::fromLocalFile(home.path()));
  const QString file = QDir(home.path()).filePath(QStringLiteral("Tessorin check.txt"));
  EXPECT_EQ(dialog->property("selectedFile").toUrl(), QUrl::fromLocalFile(file));

  if (saves) {
    // As its Save button does.
    QMetaObject::invokeMethod(dialog, "accept");
  } else {
    QTest::keyClick(desktop.window(), Qt::Key_Escape);
  }
  ASSERT_TRUE(turnLoopUntil([&] { return !dialog->property("visible").toBool(); }, 5s)) << "the dialog stays";
  EXPECT_EQ(QFile::exists(file), saves);
  EXPECT_TRUE(turnLoopUntil([&] { return desktop.focusShownOn(QStringLiteral("shareButton")); }, 5s))
      << "the focus is on " << desktop.focusedName().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Window, SaveAs, ::testing::Values(false, true),
                         [](const auto& saves) { return saves.param ? "Saved" : "Cancelled"; });

}  // namespace
}  // namespace tessorin
