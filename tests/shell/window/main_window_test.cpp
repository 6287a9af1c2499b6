// The window over real models: quitting by closing it or by Ctrl+Q while a real check
// runs, a loop-mounted card checked from the window from insertion to verdict, a check
// deleted from the history through its row's menu, and what the settings' file has to
// tell.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <gtest/gtest.h>

#include "LoopVolume.hpp"
#include "TmpfsMount.hpp"
#include "ShellWorld.hpp"
#include "shell/core/AppSettingsFile.hpp"
#include "window/ShownWindow.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::turnLoopUntil;

using Window = testing::ShownWindow;

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

// A settings file QSettings could not read in full was set aside at the start: the window
// says so above its content until the notice is put away, and says a save that could not
// happen, as it happens.
TEST(MainWindow, WhatTheSettingsFileHasToTellShowsAboveTheContent) {
  QTemporaryDir home;
  const QString path = home.filePath(QStringLiteral("Tessorin.conf"));
  {
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("[General\nShowDiskImages=true\n");
  }
  AppSettingsFile settingsFile(path);
  testing::QuitWorld world({});
  Window shown(world.model.get(), &world.delegate, &settingsFile);
  ASSERT_NE(shown.window, nullptr);
  QObject* notice = shown.named(QStringLiteral("settingsNotice"));
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->property("visible").toBool());
  EXPECT_EQ(shown.named(QStringLiteral("settingsNoticeText"))->property("text").toString(), settingsFile.notice());
  EXPECT_TRUE(shown.named(QStringLiteral("settingsNoticeAction"))->property("visible").toBool()) << "no Show in Files";
  EXPECT_TRUE(settingsFile.noticeFile().startsWith(QDir::toNativeSeparators(path + QStringLiteral(".unreadable-"))));
  EXPECT_FALSE(shown.named(QStringLiteral("settingsSaveError"))->property("visible").toBool());

  ASSERT_TRUE(shown.click(QStringLiteral("settingsNoticeButton")));
  EXPECT_FALSE(shown.named(QStringLiteral("settingsNotices"))->property("visible").toBool());

  ASSERT_TRUE(QFile::remove(path) && QDir().mkdir(path));
  settingsFile.settings().setValue(QStringLiteral("ReinsertBeforeVerify"), true);
  settingsFile.save();
  EXPECT_TRUE(shown.named(QStringLiteral("settingsSaveError"))->property("visible").toBool());
  EXPECT_EQ(shown.named(QStringLiteral("settingsSaveErrorText"))->property("text").toString(), settingsFile.saveError());
  ASSERT_TRUE(QDir().rmdir(path));
}

// The device names of this test's own cards: the scan runs on a worker thread and
// leaves out every other disk image on the computer (other tests' cards).
class OurDevices {
 public:
  void add(const std::string& bsdName) {
    const std::lock_guard lock(mutex_);
    names_.insert(bsdName);
  }
  bool has(const std::string& bsdName) const {
    const std::lock_guard lock(mutex_);
    return names_.count(bsdName) > 0;
  }

 private:
  mutable std::mutex mutex_;
  std::set<std::string> names_;
};

AppModel::Sources systemSourcesListing(std::shared_ptr<OurDevices> ours) {
  AppModel::Sources sources = AppModel::Sources::system();
  sources.scan = [ours, scan = sources.scan](bool includeDiskImages) {
    std::vector<CardDevice> devices = scan(includeDiskImages);
    std::erase_if(devices, [&ours](const CardDevice& device) { return !ours->has(device.bsdName); });
    return devices;
  };
  return sources;
}

// From insertion to verdict through the window, with the system's own scanner and mount
// table watching: the card is a disk image, shown as the setting asks. Other disk images
// on this computer (other tests' cards) are left out of the scan, so nothing here can
// touch them.
TEST(MainWindow, ALoopMountedCardAppearsIsCheckedFromTheWindowAndTheVerdictShowsInThePageAndTheSidebar) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld files;
  files.settings.setValue(QStringLiteral("ShowDiskImages"), true);
  const auto ours = std::make_shared<OurDevices>();
  AppModel model(files.settings, QUrl::fromLocalFile(files.folder.filePath(QStringLiteral("History.json"))),
                 testing::smallCardEnvironment(), systemSourcesListing(ours));
  int quits = 0;
  AppDelegate delegate([&quits] { ++quits; });
  delegate.setModel(&model);
  Window shown(&model, &delegate);
  ASSERT_NE(shown.window, nullptr);

  auto card = testing::LoopVolume::create(testing::FileSystemKind::exfat, 256 * testing::sessionMiB, "E2ECARD");
  const CardDevice device = testing::deviceFor(card->mountPoint(), card->loopDevice(), 256 * testing::sessionMiB);
  ours->add(device.bsdName);
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

// Another volume mounted and unmounted every two seconds on a thread of its own, as
// media come and go on a desktop: every change makes the application scan again. Made
// before the constructor returns, so that a check started then meets its changes at
// once, not after a busy host has made it.
class MediaComingAndGoing {
 public:
  explicit MediaComingAndGoing(std::shared_ptr<OurDevices> ours) {
    thread_ = std::thread([this, ours] {
      // In RAM: unmounting syncs the volume's image, which on the host's disk waits behind
      // everything the check has written there.
      const testing::TmpfsMount memory(32 * testing::sessionMiB);
      const std::string image = memory.path() + "/comego.img";
      std::ofstream(image).close();
      std::filesystem::resize_file(image, 16 * testing::sessionMiB);
      auto volume = testing::LoopVolume::onFile(image, testing::FileSystemKind::ext4, "COMEGO");
      ours->add(std::filesystem::path(volume->loopDevice()).filename().string());
      std::unique_lock lock(mutex_);
      made_ = true;
      madeOrStopping_.notify_all();
      while (!madeOrStopping_.wait_for(lock, 2s, [this] { return stopping_; })) {
        if (volume->isMounted()) {
          volume->unmount();
        } else {
          volume->mount();
        }
        ++changes_;
      }
    });
    std::unique_lock lock(mutex_);
    madeOrStopping_.wait(lock, [this] { return made_; });
  }
  ~MediaComingAndGoing() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    madeOrStopping_.notify_all();
    thread_.join();
  }
  int changes() const { return changes_; }

 private:
  std::mutex mutex_;
  std::condition_variable madeOrStopping_;
  bool made_ = false;
  bool stopping_ = false;
  std::atomic<int> changes_{0};
  std::thread thread_;
};

// What the desktop around the window runs; a variant may add the system's own services.
struct Desktop {
  const char* name;
  friend void PrintTo(const Desktop& desktop, std::ostream* out) { *out << desktop.name; }
};

class WrapAroundFakeInTheWindow : public ::testing::TestWithParam<Desktop> {};

// The commonest fake: it claims 1 GiB and keeps 256 MiB, written slowly, and the check's
// own writes wrap over its file system's header. Whatever the raw device reads as then,
// the card stays the card that was mounted: the check reaches its verdict, its record is
// kept and the selection never leaves it, while other media come and go. The check waits
// for the user where the quick check found the fake, and (asked to) before the read-back;
// the word to go on comes only once media have come and gone twice, so they do during
// the check however slowly a busy host mounts them (the check's writes to a slow card
// can hold up other writers on the host, the volume coming and going among them). The
// card stands for a driver that reserves space without writing it, as the check's
// options here do: the header is overwritten by the check's data, not beforehand by
// exfat-fuse's zeros for the quick check's slots, which once a busy host let go of its
// copy would leave the quick check a damaged card rather than the fake it judges.
TEST_P(WrapAroundFakeInTheWindow, IsCheckedToAFakeCardVerdictWithItsRecordAndKeepsTheSelection) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld files;
  files.settings.setValue(QStringLiteral("ShowDiskImages"), true);
  files.settings.setValue(QStringLiteral("ReinsertBeforeVerify"), true);
  const auto ours = std::make_shared<OurDevices>();
  auto fake = testing::CounterfeitCard::make({.claimed = 1024 * testing::sessionMiB,
                                              .real = 256 * testing::sessionMiB,
                                              .mode = testing::CounterfeitCard::Mode::wrap,
                                              .label = "WRAPFAKE",
                                              .writeBytesPerSecond = 32 * testing::sessionMiB,
                                              .unwrittenReservations = true});
  ours->add(std::filesystem::path(fake->loopDevice()).filename().string());
  AppModel model(files.settings, QUrl::fromLocalFile(files.folder.filePath(QStringLiteral("History.json"))),
                 testing::smallCardEnvironment(), systemSourcesListing(ours));
  AppDelegate delegate([] {});
  delegate.setModel(&model);
  Window shown(&model, &delegate);
  ASSERT_NE(shown.window, nullptr);

  const auto sessionOfTheFake = [&]() -> CardSession* {
    for (CardSession* session : model.sessions()) {
      if (session->device().volumeURL == fake->mountPoint()) return session;
    }
    return nullptr;
  };
  ASSERT_TRUE(turnLoopUntil([&] { return sessionOfTheFake() != nullptr; }, 20s)) << "the fake did not appear";
  CardSession* session = sessionOfTheFake();
  const std::string id = session->id();
  ASSERT_TRUE(shown.click("cardRow-" + QString::fromStdString(id)));
  ASSERT_EQ(model.selection(), AppModel::Selection::card(id));
  std::vector<std::string> selectedMeanwhile;
  QObject::connect(&model, &AppModel::selectionChanged, &model, [&] {
    selectedMeanwhile.push_back(model.selection() ? model.selection()->cardID : std::string("(none)"));
  });
  ASSERT_TRUE(turnLoopUntil([&] { return shown.named("startButton") != nullptr; }, 5s));

  MediaComingAndGoing comingAndGoing(ours);
  ASSERT_TRUE(shown.click("startButton"));
  ASSERT_TRUE(turnLoopUntil([&] { return session->stage().isBusy(); }, 10s))
      << "error: " << session->errorMessage().value_or(QString()).toStdString();
  // A fake found by the quick check waits for a decision: it is taken on to the advanced test.
  ASSERT_TRUE(turnLoopUntil(
      [&] {
        const bool cameAndWent = comingAndGoing.changes() >= 2;
        if (session->stage().kind == CardSessionStage::Kind::decision && cameAndWent) {
          shown.click("confirmAdvancedButton");
        }
        if (session->stage().kind == CardSessionStage::Kind::reinsert && cameAndWent) {
          shown.click("checkWithoutRemovingButton");
        }
        return session->stage().kind == CardSessionStage::Kind::finished || model.session(id) != session ||
               session->cardRemoved();
      },
      300s))
      << "no verdict after the check";
  EXPECT_GE(comingAndGoing.changes(), 2) << "media came and went during the check";
  EXPECT_FALSE(session->cardRemoved()) << "the card was taken for removed: "
                                       << session->errorMessage().value_or(QString()).toStdString();
  ASSERT_EQ(model.session(id), session) << "the card got another session";
  EXPECT_EQ(model.selection(), AppModel::Selection::card(id));
  EXPECT_TRUE(selectedMeanwhile.empty()) << "the selection moved to " << selectedMeanwhile.front();
  ASSERT_TRUE(turnLoopUntil(
      [&] {
        QObject* verdict = shown.named("verdictTitle");
        return verdict != nullptr && verdict->property("visible").toBool();
      },
      5s));
  EXPECT_EQ(shown.named("verdictTitle")->property("text").toString(), QStringLiteral("Fake card"));
  ASSERT_EQ(model.history()->records().size(), 1u);
  EXPECT_EQ(model.history()->records().front().verdict, CheckOutcome::Verdict::fake);
}

INSTANTIATE_TEST_SUITE_P(MainWindow, WrapAroundFakeInTheWindow, ::testing::Values(Desktop{"plain"}),
                         [](const ::testing::TestParamInfo<Desktop>& info) { return std::string(info.param.name); });

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
