// The update dialog in each of its states and the application menu with "Check for
// Updates…" off and on, loaded from the real QML module: no QML warning may appear, the
// key texts and buttons are where a user looks for them, and each state is saved as
// gallery/<View>-<state>.png to be looked at.

#include <QDir>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>
#include <gtest/gtest.h>

#include "FeedServer.hpp"
#include "TestFeeds.hpp"
#include "shell/update/Updater.hpp"

Q_IMPORT_QML_PLUGIN(Tessorin_UpdatePlugin)

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testfeeds;

QStringList warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
  // Qt's own note about the test environment, not about a view.
  if (type != QtDebugMsg && type != QtInfoMsg && !message.startsWith(QLatin1String("QStandardPaths:"))) {
    warnings.append(message);
  }
}

class UpdateViews : public testing::Test {
 protected:
  void SetUp() override {
    warnings.clear();
    previousHandler = qInstallMessageHandler(collectWarnings);
    engine.addImportPath(QStringLiteral("qrc:/"));
  }
  void TearDown() override {
    qInstallMessageHandler(previousHandler);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
  }

  QQuickWindow* load(const QByteArray& qml) {
    QQmlComponent component(&engine);
    component.setData(qml, QUrl(QStringLiteral("qrc:/gallery/Host.qml")));
    window.reset(qobject_cast<QQuickWindow*>(component.create()));
    EXPECT_TRUE(window) << component.errorString().toStdString();
    return window.get();
  }

  template <typename T = QObject>
  T* find(const char* objectName) const {
    return window ? window->findChild<T*>(QString::fromLatin1(objectName)) : nullptr;
  }

  void save(const QString& name) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::qWait(50);
    const QString folder = QStringLiteral(GALLERY_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(window->grabWindow().save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
  }

  QtMessageHandler previousHandler = nullptr;
  QQmlApplicationEngine engine;
  std::unique_ptr<QQuickWindow> window;
};

const QByteArray dialogHost = R"(
import QtQuick
import QtQuick.Controls
import Tessorin.Update
ApplicationWindow {
    width: 640; height: 480; visible: true
    property alias checker: dialog.checker
    UpdateDialog { id: dialog }
}
)";

TEST_F(UpdateViews, UpdateDialogInEachState) {
  const Keys keys;
  FeedServer server;
  UpdateChecker checker(keys.key(), server.url(), *AppVersion::parse(runningVersion), 2s);
  load(dialogHost);
  ASSERT_TRUE(window);
  window->setProperty("checker", QVariant::fromValue(&checker));
  const auto visibleText = [&](const char* name) {
    auto* item = find<QQuickItem>(name);
    return item && item->isVisible() ? item->property("text").toString() : QString();
  };

  server.serve(QStringLiteral("/feed.json"), FeedReply::silent());
  checker.checkForUpdates();
  save(QStringLiteral("UpdateDialog-checking"));
  EXPECT_TRUE(find<QQuickItem>("updateBusy")->isVisible());
  EXPECT_EQ(visibleText("updateReject"), "Cancel");
  EXPECT_EQ(visibleText("updateAccept"), "");
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_FALSE(checker.check()) << "Escape did not cancel the check";

  server.serve(QStringLiteral("/feed.json"), FeedReply::ok(keys.seal(feedText(QStringLiteral("1.9")))));
  ASSERT_TRUE(runCheck(checker));
  save(QStringLiteral("UpdateDialog-up-to-date"));
  EXPECT_EQ(visibleText("updateMessage"), "Tessorin 1.9.0 is the newest version.");
  EXPECT_EQ(visibleText("updateAccept"), "OK");
  EXPECT_EQ(visibleText("updateReject"), "");

  QString notes = QStringLiteral("<b>Not bold</b>: feed texts are plain text.\n");
  for (int i = 1; i <= 30; ++i) notes += QStringLiteral("• Change number %1 in this release, described at some length.\n").arg(i);
  server.serve(QStringLiteral("/feed.json"), FeedReply::ok(keys.seal(feedText(QStringLiteral("1.10"), downloadPage, notes))));
  ASSERT_TRUE(runCheck(checker));
  save(QStringLiteral("UpdateDialog-available-long-notes"));
  EXPECT_EQ(visibleText("updateMessage"), "Tessorin 1.10 is available. You have 1.9.0.");
  EXPECT_EQ(visibleText("updateNotesText"), notes);
  EXPECT_EQ(visibleText("updateAccept"), "Open Download Page");
  EXPECT_EQ(visibleText("updateReject"), "Later");

  const Keys strangers;
  server.serve(QStringLiteral("/feed.json"), FeedReply::ok(strangers.seal(feedText(QStringLiteral("1.10")))));
  ASSERT_TRUE(runCheck(checker));
  save(QStringLiteral("UpdateDialog-failed"));
  EXPECT_EQ(visibleText("updateMessage"), failureText(UpdateFailure::forged));
  EXPECT_EQ(visibleText("updateAccept"), "OK");
  EXPECT_FALSE(find<QQuickItem>("updateNotes")->isVisible());

  checker.dismiss();
  QCoreApplication::processEvents();
  EXPECT_FALSE(find<QObject>("updateDialog")->property("visible").toBool()) << "the dismissed dialog stayed open";
}

const QByteArray menuHost = R"(
import QtQuick
import QtQuick.Controls
import Tessorin.Update
ApplicationWindow {
    width: 480; height: 260; visible: true
    property alias updater: checkForUpdates.updater
    menuBar: MenuBar {
        Menu {
            id: applicationMenu
            objectName: "applicationMenu"
            title: "Tessorin"
            MenuItem { text: qsTr("About Tessorin") }
            DirectCommands { id: checkForUpdates }
        }
    }
    function openMenu() { applicationMenu.open() }
}
)";

TEST_F(UpdateViews, ApplicationMenuWithTheItemOffAndOn) {
  const Keys keys;
  FeedServer server;
  Updater updater(UpdateConfiguration{keys.publicKey(), server.url(), runningVersion, 2s});
  load(menuHost);
  ASSERT_TRUE(window);
  window->setProperty("updater", QVariant::fromValue(&updater));
  QMetaObject::invokeMethod(window.get(), "openMenu");
  auto* item = find<QQuickItem>("checkForUpdates");
  ASSERT_TRUE(item);
  EXPECT_EQ(item->property("text").toString(), "Check for Updates…");

  save(QStringLiteral("ApplicationMenu-updates-disabled"));
  EXPECT_FALSE(item->isEnabled());

  updater.start();
  QCoreApplication::processEvents();
  save(QStringLiteral("ApplicationMenu-updates-enabled"));
  EXPECT_TRUE(item->isEnabled());
}

}  // namespace
}  // namespace tessorin
