// The window over real models: quitting by closing it or by Ctrl+Q while a real check
// runs, a loop-mounted card checked from the window from insertion to verdict, and a check
// deleted from the history through its row's menu.

#include <QElapsedTimer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <cstdio>
#include <memory>
#include <gtest/gtest.h>

#include "LoopVolume.hpp"
#include "ShellWorld.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::turnLoopUntil;

// By objectName along what the window shows (a page being replaced is no longer there),
// then among the window's other objects, such as its dialogs.
QObject* findShown(QQuickItem* item, const QString& name) {
  if (item->objectName() == name) return item;
  for (QQuickItem* child : item->childItems()) {
    if (QObject* found = findShown(child, name)) return found;
  }
  return nullptr;
}

QObject* findNamed(QQuickWindow* window, const QString& name) {
  if (QObject* shown = findShown(window->contentItem(), name)) return shown;
  return window->findChild<QObject*>(name);
}

// One engine for the run: the settings singleton the views bind belongs to one engine.
QQmlEngine& engine() {
  static QQmlEngine* made = [] {
    auto* engine = new QQmlEngine;
    engine->addImportPath(QStringLiteral("qrc:/"));
    return engine;
  }();
  return *made;
}

// The window as the application opens it, over the given model and quit controller.
struct Window {
  std::unique_ptr<QQuickWindow> window;

  Window(AppModel* model, AppDelegate* delegate) {
    QQmlComponent component(&engine(), QUrl(QStringLiteral("qrc:/Tessorin/Shell/MainWindow.qml")));
    QObject* made = component.createWithInitialProperties(
        {{QStringLiteral("model"), QVariant::fromValue<QObject*>(model)},
         {QStringLiteral("appDelegate"), QVariant::fromValue<QObject*>(delegate)}});
    if (made == nullptr) std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
    window.reset(qobject_cast<QQuickWindow*>(made));
  }
  QObject* named(const QString& name) const { return window ? findNamed(window.get(), name) : nullptr; }
  // A button's click, as the pointer makes it.
  bool click(const QString& name) const {
    QObject* button = named(name);
    return button != nullptr && QMetaObject::invokeMethod(button, "clicked");
  }
};

TEST(MainWindow, ClosingItOrCtrlQDuringARealCheckAsksThenQuitAnywayStopsCleansUpAndQuits) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::RunningCheck check;
  AppDelegate& delegate = check.world.delegate;
  Window shown(check.world.model.get(), &delegate);
  ASSERT_NE(shown.window, nullptr);
  ASSERT_TRUE(check.session->stage().isBusy());

  shown.window->close();
  ASSERT_TRUE(turnLoopUntil([&] { return shown.named("quitAlert")->property("visible").toBool(); }, 5s));
  EXPECT_TRUE(shown.window->isVisible()) << "the window closed while a card was tested";
  ASSERT_TRUE(shown.click("keepTestingButton"));
  ASSERT_TRUE(turnLoopUntil([&] { return !shown.named("quitAlert")->property("visible").toBool(); }, 5s));
  turnLoopUntil([] { return false; }, 300ms);
  EXPECT_FALSE(delegate.quitAlertShown());
  EXPECT_TRUE(check.session->stage().isBusy()) << "Keep Testing stopped the check";
  EXPECT_EQ(check.world.quits, 0);

  shown.window->requestActivate();
  QTest::keyClick(shown.window.get(), Qt::Key_Q, Qt::ControlModifier);
  ASSERT_TRUE(turnLoopUntil([&] { return delegate.quitAlertShown(); }, 5s)) << "Ctrl+Q did not ask";
  // A second request while the alert stands changes nothing.
  shown.window->close();
  EXPECT_TRUE(delegate.quitAlertShown());

  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(shown.click("quitAnywayButton"));
  ASSERT_TRUE(turnLoopUntil([&] { return check.world.quits == 1; }, 35s));
  EXPECT_LT(clock.elapsed(), 30'000);
  EXPECT_TRUE(check.session->stage().isAtRest());
  EXPECT_FALSE(std::filesystem::exists(check.testFolder()));
}

TEST(MainWindow, ClosingItWithNothingBeingTestedQuitsAtOnce) {
  testing::QuitWorld world({});
  Window shown(world.model.get(), &world.delegate);
  ASSERT_NE(shown.window, nullptr);
  shown.window->close();
  EXPECT_EQ(world.quits, 1);
  EXPECT_FALSE(world.delegate.quitAlertShown());
}

// From insertion to verdict through the window, with the system's own scanner and mount
// table watching: the card is a disk image, shown as the setting asks. Other disk images
// on this computer (other tests' cards) are left out of the scan, so nothing here can
// touch them.
TEST(MainWindow, ALoopMountedCardAppearsIsCheckedFromTheWindowAndTheVerdictShowsInThePageAndTheSidebar) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld files;
  files.settings.setValue(QStringLiteral("ShowDiskImages"), true);
  std::string ours;  // the card's device name, once it exists
  AppModel::Sources sources = AppModel::Sources::system();
  sources.scan = [&ours, scan = sources.scan](bool includeDiskImages) {
    std::vector<CardDevice> devices = scan(includeDiskImages);
    std::erase_if(devices, [&ours](const CardDevice& device) { return device.bsdName != ours; });
    return devices;
  };
  AppModel model(files.settings, QUrl::fromLocalFile(files.folder.filePath(QStringLiteral("History.json"))),
                 testing::smallCardEnvironment(), sources);
  int quits = 0;
  AppDelegate delegate([&quits] { ++quits; });
  delegate.setModel(&model);
  Window shown(&model, &delegate);
  ASSERT_NE(shown.window, nullptr);

  auto card = testing::LoopVolume::create(testing::FileSystemKind::exfat, 256 * testing::sessionMiB, "E2ECARD");
  const CardDevice device = testing::deviceFor(card->mountPoint(), card->loopDevice(), 256 * testing::sessionMiB);
  ours = device.bsdName;
  const QString id = QString::fromStdString(device.id);
  ASSERT_TRUE(turnLoopUntil([&] { return shown.named("cardRow-" + id) != nullptr; }, 20s))
      << "the card did not appear in the sidebar";
  ASSERT_TRUE(shown.click("communityRow"));
  ASSERT_TRUE(shown.click("cardRow-" + id));
  CardSession* session = model.session(device.id);
  ASSERT_NE(session, nullptr);
  ASSERT_TRUE(turnLoopUntil(
      [&] {
        QObject* page = shown.named("cardDetailView");
        return page != nullptr && page->property("session").value<QObject*>() == session &&
               shown.named("startButton") != nullptr;
      },
      5s));
  EXPECT_EQ(shown.window->title(), QStringLiteral("E2ECARD"));

  ASSERT_TRUE(shown.click("startButton"));
  ASSERT_TRUE(turnLoopUntil([&] { return session->stage().isBusy(); }, 10s))
      << "erase asked: " << session->confirmingErase() << session->offeringErase()
      << ", folder asked: " << session->permissionRequest().has_value()
      << ", error: " << session->errorMessage().value_or(QString()).toStdString();
  ASSERT_TRUE(turnLoopUntil(
      [&] {
        QObject* verdict = shown.named("verdictTitle");
        return verdict != nullptr && verdict->property("visible").toBool();
      },
      300s))
      << "no verdict after the check";
  EXPECT_EQ(shown.named("verdictTitle")->property("text").toString(), QStringLiteral("Genuine card"));
  QObject* mark = shown.named("cardRowMark-" + id);
  ASSERT_NE(mark, nullptr);
  EXPECT_TRUE(mark->property("visible").toBool());
  EXPECT_EQ(mark->property("name").toString(), QStringLiteral("checkmark.seal.fill"));
  EXPECT_EQ(model.history()->records().size(), 1u);
  EXPECT_EQ(quits, 0);
}

// The row and its menu go with the record they show: the click that deletes must be over
// before they do.
TEST(MainWindow, DeletingAHistoryRowFromItsMenuTakesOutThatRecordAndKeepsTheWindowWhole) {
  testing::QuitWorld world({});
  for (const char* name : {"OLDER", "NEWER"}) {
    CheckRecord record;
    record.cardName = name;
    record.advertisedBytes = 64'000'000'000;
    world.model->history()->add(record);
  }
  Window shown(world.model.get(), &world.delegate);
  ASSERT_NE(shown.window, nullptr);
  shown.window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(shown.window.get()));
  static QStringList warnings;
  warnings.clear();
  const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) warnings.append(text);
  });
  ASSERT_TRUE(shown.click("historyRow"));
  const auto center = [](QObject* object) {
    auto* item = qobject_cast<QQuickItem*>(object);
    return item ? item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint() : QPoint(-1, -1);
  };
  ASSERT_TRUE(turnLoopUntil([&] { return shown.named("historyRow-0") != nullptr; }, 5s));
  QObject* menu = shown.named("historyRow-0")->findChild<QObject*>("historyRowMenu");
  ASSERT_NE(menu, nullptr);
  QTest::mouseClick(shown.window.get(), Qt::RightButton, {}, center(shown.named("historyRow-0")));
  ASSERT_TRUE(turnLoopUntil([&] { return menu->property("opened").toBool(); }, 5s));
  QTest::mouseClick(shown.window.get(), Qt::LeftButton, {}, center(menu->findChild<QObject*>("historyDelete")));
  turnLoopUntil([] { return false; }, 500ms);
  qInstallMessageHandler(previous);

  ASSERT_EQ(world.model->history()->records().size(), 1u);
  EXPECT_EQ(world.model->history()->records().front().cardName, "OLDER");
  EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(shown.named("historyCardName")->property("text").toString(), QStringLiteral("OLDER"));
}

}  // namespace
}  // namespace tessorin
