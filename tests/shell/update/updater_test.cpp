// The Updater's life (off without a usable key, started once, canCheck following the
// checker), the menu item over it, and what the update dialog says and does.

#include <QDesktopServices>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "FeedServer.hpp"
#include "TestFeeds.hpp"
#include "shell/update/DirectCommandsModel.hpp"
#include "shell/update/UpdateDialogModel.hpp"
#include "shell/update/Updater.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testfeeds;

UpdateConfiguration configuration(const QString& key, const QUrl& feed) {
  return UpdateConfiguration{key, feed, runningVersion, 500ms};
}

void drainEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 50); }

// Receives what QDesktopServices::openUrl is asked to open.
class OpenedPages : public QObject {
  Q_OBJECT
 public:
  OpenedPages() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
  ~OpenedPages() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
  QList<QUrl> pages;
 public Q_SLOTS:
  void open(const QUrl& url) { pages.append(url); }
};

TEST(Updater, WithoutAUsableKeyNothingIsMadeAndTheItemStaysOff) {
  const Keys keys;
  FeedServer server;
  const QString longKey = QString::fromLatin1(QByteArray(33, 'k').toBase64());
  const QString shortKey = QString::fromLatin1(QByteArray(31, 'k').toBase64());
  const struct {
    const char* why;
    UpdateConfiguration configuration;
  } rows[] = {
      {"no key", configuration(QString(), server.url())},
      {"not base64", configuration(QStringLiteral("not a key!"), server.url())},
      {"31 bytes", configuration(shortKey, server.url())},
      {"33 bytes", configuration(longKey, server.url())},
      {"key with a line break", configuration(keys.publicKey() + '\n', server.url())},
      {"no feed address", configuration(keys.publicKey(), QUrl())},
      {"plain http feed elsewhere", configuration(keys.publicKey(), QUrl(QStringLiteral("http://tessorin.example/f")))},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    Updater updater(row.configuration);
    DirectCommandsModel commands;
    commands.setUpdater(&updater);
    QSignalSpy changes(&updater, &Updater::canCheckChanged);
    EXPECT_FALSE(updater.isConfigured());
    updater.start();
    updater.start();
    commands.trigger();
    drainEvents();
    EXPECT_EQ(updater.checker(), nullptr);
    EXPECT_FALSE(updater.canCheck());
    EXPECT_FALSE(commands.enabled());
    EXPECT_EQ(changes.size(), 0);
  }
  EXPECT_EQ(server.requests(), 0);
}

TEST(Updater, TheItemDoesNothingBeforeTheStart) {
  const Keys keys;
  FeedServer server;
  Updater updater(configuration(keys.publicKey(), server.url()));
  DirectCommandsModel commands;
  commands.setUpdater(&updater);
  EXPECT_TRUE(updater.isConfigured());
  EXPECT_FALSE(commands.enabled());
  commands.trigger();
  drainEvents();
  EXPECT_EQ(updater.checker(), nullptr);
  EXPECT_EQ(server.requests(), 0);
}

TEST(Updater, StartsOnceAndCanCheckFollowsEachRealChange) {
  const Keys keys;
  FeedServer server;
  server.serve(QStringLiteral("/feed.json"), FeedReply::ok(keys.seal(feedText("1.10"))));
  Updater updater(configuration(keys.publicKey(), server.url()));
  DirectCommandsModel commands;
  commands.setUpdater(&updater);
  QList<bool> seen;
  QObject::connect(&updater, &Updater::canCheckChanged, [&] { seen.append(updater.canCheck()); });
  QSignalSpy enabledChanges(&commands, &DirectCommandsModel::enabledChanged);

  updater.start();
  UpdateChecker* checker = updater.checker();
  ASSERT_NE(checker, nullptr);
  EXPECT_TRUE(seen.isEmpty()) << "the first value must reach the main thread through its event loop";
  drainEvents();
  EXPECT_EQ(seen, QList<bool>{true});
  EXPECT_TRUE(commands.enabled());

  updater.start();
  EXPECT_EQ(updater.checker(), checker) << "a second start made a second checker";

  commands.trigger();
  commands.trigger();  // while the first check runs
  ASSERT_FALSE(checker->canCheckForUpdates());
  QSignalSpy ended(checker, &UpdateChecker::canCheckForUpdatesChanged);
  ASSERT_TRUE(ended.wait(5000));
  drainEvents();
  EXPECT_EQ(seen, (QList<bool>{true, false, true}));
  EXPECT_EQ(enabledChanges.size(), 3);
  EXPECT_EQ(server.requests(), 1) << "a second check started while one ran";
}

TEST(Updater, AValueOnItsWayToAGoneUpdaterIsDropped) {
  const Keys keys;
  FeedServer server;
  auto updater = std::make_unique<Updater>(configuration(keys.publicKey(), server.url()));
  updater->start();
  updater.reset();
  drainEvents();
}

class UpdateDialog : public testing::Test {
 protected:
  // A finished check of the feed the server serves, shown in the dialog.
  void check(const FeedReply& reply) {
    server.serve(QStringLiteral("/feed.json"), reply);
    ASSERT_TRUE(runCheck(checker));
  }

  Keys keys;
  FeedServer server;
  UpdateChecker checker{keys.key(), server.url(), *AppVersion::parse(runningVersion), 500ms};
  UpdateDialogModel dialog;
  OpenedPages opened;

  void SetUp() override { dialog.setChecker(&checker); }
};

TEST_F(UpdateDialog, OffersANewerReleaseAndOpensItsPageOnlyWhenAsked) {
  const QString notes = QStringLiteral("<b>Bold</b> claims & plain facts");
  check(FeedReply::ok(keys.seal(feedText("1.10", downloadPage, notes))));
  EXPECT_TRUE(dialog.shown());
  EXPECT_EQ(dialog.message(), "Tessorin 1.10 is available. You have 1.9.0.");
  EXPECT_EQ(dialog.notes(), notes);
  EXPECT_EQ(dialog.acceptTitle(), "Open Download Page");
  EXPECT_EQ(dialog.rejectTitle(), "Later");
  EXPECT_TRUE(opened.pages.isEmpty());

  dialog.accept();
  EXPECT_EQ(opened.pages, QList<QUrl>{QUrl(downloadPage)});
  EXPECT_FALSE(dialog.shown());
}

TEST_F(UpdateDialog, LaterClosesWithoutOpeningAnything) {
  check(FeedReply::ok(keys.seal(feedText("1.10"))));
  dialog.reject();
  EXPECT_FALSE(dialog.shown());
  EXPECT_TRUE(opened.pages.isEmpty());
}

TEST_F(UpdateDialog, SaysWhenUpToDateOrFailedAndOffersOnlyOk) {
  check(FeedReply::ok(keys.seal(feedText("1.9"))));
  EXPECT_EQ(dialog.message(), "Tessorin 1.9.0 is the newest version.");
  EXPECT_EQ(dialog.acceptTitle(), "OK");
  EXPECT_EQ(dialog.rejectTitle(), "");
  EXPECT_EQ(dialog.notes(), "");

  check(FeedReply::withStatus(500, "oops"));
  EXPECT_EQ(dialog.message(), "The update server answered with an error (500). Try again later.");
  EXPECT_EQ(dialog.acceptTitle(), "OK");
  dialog.accept();
  EXPECT_FALSE(dialog.shown());
  EXPECT_TRUE(opened.pages.isEmpty());
}

TEST_F(UpdateDialog, CancelEndsTheCheckAndItsLateAnswerStaysClosed) {
  server.serve(QStringLiteral("/feed.json"), FeedReply::silent());
  checker.checkForUpdates();
  EXPECT_TRUE(dialog.checking());
  EXPECT_EQ(dialog.rejectTitle(), "Cancel");
  EXPECT_EQ(dialog.acceptTitle(), "");

  dialog.reject();
  EXPECT_FALSE(dialog.shown());
  EXPECT_TRUE(checker.canCheckForUpdates());
  QSignalSpy changes(&checker, &UpdateChecker::checkChanged);
  EXPECT_FALSE(changes.wait(800)) << "the abandoned check came back into the dialog";
  EXPECT_FALSE(dialog.shown());
}

}  // namespace
}  // namespace tessorin

#include "updater_test.moc"
