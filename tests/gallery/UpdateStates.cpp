// The update dialog in each of its states, each the end of a real check of a feed served
// on 127.0.0.1; the window's menus with the application menu open and "Check for
// Updates…" off and on, and their About box.

#include <memory>
#include <vector>

#include "FeedServer.hpp"
#include "GalleryState.hpp"
#include "TestFeeds.hpp"
#include "shell/update/Updater.hpp"

namespace tessorin::gallery {
namespace {

using namespace std::chrono_literals;
using namespace testfeeds;

// Keys, the feed server and the checkers of every update state, for the whole run. Never
// destroyed: its sockets must not outlive the application object.
struct UpdateWorld {
  Keys keys;
  Keys strangers;
  FeedServer server;
  std::vector<std::unique_ptr<QObject>> objects;

  static UpdateWorld& shared() {
    static UpdateWorld* const world = new UpdateWorld;
    return *world;
  }

  // A checker of the feed at `path`, finished unless the server keeps silent.
  QVariantMap checked(const QString& path, FeedReply reply) {
    const bool answers = reply.answers;
    server.serve(path, std::move(reply));
    auto checker = std::make_unique<UpdateChecker>(keys.key(), server.url(path), *AppVersion::parse(runningVersion), 60s);
    if (answers) {
      runCheck(*checker);
    } else {
      checker->checkForUpdates();
    }
    objects.push_back(std::move(checker));
    return {{QStringLiteral("checker"), QVariant::fromValue(static_cast<UpdateChecker*>(objects.back().get()))}};
  }

  QVariantMap updater(bool started) {
    auto made = std::make_unique<Updater>(UpdateConfiguration{keys.publicKey(), server.url(), runningVersion, 60s});
    if (started) made->start();
    objects.push_back(std::move(made));
    return {{QStringLiteral("updater"), QVariant::fromValue(objects.back().get())}};
  }
};

QString longNotes() {
  QString notes = QStringLiteral("<b>Not bold</b>: feed texts are plain text.\n");
  for (int i = 1; i <= 30; ++i) {
    notes += QStringLiteral("• Change number %1 in this release, described at some length.\n").arg(i);
  }
  return notes;
}

Expectation shows(const char* objectName, bool visible) {
  return {QString::fromLatin1(objectName), QStringLiteral("visible"), visible};
}
Expectation says(const char* objectName, const QString& text) {
  return {QString::fromLatin1(objectName), QStringLiteral("text"), text};
}

const QSize dialogSize(640, 480);
const QString dialogScene = QStringLiteral("scenes/UpdateDialogScene.qml");

const bool registered = addGalleryStates({
    {.view = QStringLiteral("UpdateDialog"),
     .state = QStringLiteral("checking"),
     .size = dialogSize,
     .scene = dialogScene,
     .properties = [](GalleryWorld&) { return UpdateWorld::shared().checked(QStringLiteral("/silent.json"),
                                                                           FeedReply::silent()); },
     .expectations = {shows("updateBusy", true), says("updateReject", QStringLiteral("Cancel")),
                      shows("updateAccept", false)}},
    {.view = QStringLiteral("UpdateDialog"),
     .state = QStringLiteral("up-to-date"),
     .size = dialogSize,
     .scene = dialogScene,
     .properties =
         [](GalleryWorld&) {
           auto& world = UpdateWorld::shared();
           return world.checked(QStringLiteral("/same.json"), FeedReply::ok(world.keys.seal(feedText("1.9"))));
         },
     .expectations = {says("updateMessage", QStringLiteral("Tessorin 1.9.0 is the newest version.")),
                      says("updateAccept", QStringLiteral("OK")), shows("updateReject", false),
                      shows("updateNotesText", false)}},
    {.view = QStringLiteral("UpdateDialog"),
     .state = QStringLiteral("available-long-notes"),
     .size = dialogSize,
     .scene = dialogScene,
     .properties =
         [](GalleryWorld&) {
           auto& world = UpdateWorld::shared();
           return world.checked(QStringLiteral("/newer.json"),
                                FeedReply::ok(world.keys.seal(feedText("1.10", downloadPage, longNotes()))));
         },
     .expectations = {says("updateMessage", QStringLiteral("Tessorin 1.10 is available. You have 1.9.0.")),
                      says("updateNotesText", longNotes()), says("updateAccept", QStringLiteral("Open Download Page")),
                      says("updateReject", QStringLiteral("Later"))}},
    {.view = QStringLiteral("UpdateDialog"),
     .state = QStringLiteral("failed"),
     .size = dialogSize,
     .scene = dialogScene,
     .properties =
         [](GalleryWorld&) {
           auto& world = UpdateWorld::shared();
           return world.checked(QStringLiteral("/forged.json"), FeedReply::ok(world.strangers.seal(feedText("1.10"))));
         },
     .expectations = {says("updateMessage", failureText(UpdateFailure::forged)), says("updateAccept", QStringLiteral("OK")),
                      shows("updateReject", false), shows("updateNotesText", false)}},
    {.view = QStringLiteral("WindowMenus"),
     .state = QStringLiteral("updates-disabled"),
     .size = QSize(480, 240),
     .scene = QStringLiteral("scenes/WindowMenusScene.qml"),
     .properties = [](GalleryWorld&) { return UpdateWorld::shared().updater(false); },
     .expectations = {{QStringLiteral("applicationMenu"), QStringLiteral("opened"), true},
                      says("about", QStringLiteral("About Tessorin")),
                      says("checkForUpdates", QStringLiteral("Check for Updates…")),
                      {QStringLiteral("checkForUpdates"), QStringLiteral("enabled"), false},
                      says("quit", QStringLiteral("Quit Tessorin")),
                      {QStringLiteral("quit"), QStringLiteral("visible"), true}}},
    {.view = QStringLiteral("WindowMenus"),
     .state = QStringLiteral("updates-enabled"),
     .size = QSize(480, 240),
     .scene = QStringLiteral("scenes/WindowMenusScene.qml"),
     .properties = [](GalleryWorld&) { return UpdateWorld::shared().updater(true); },
     .expectations = {{QStringLiteral("applicationMenu"), QStringLiteral("opened"), true},
                      {QStringLiteral("checkForUpdates"), QStringLiteral("enabled"), true},
                      {QStringLiteral("quit"), QStringLiteral("enabled"), true}}},
    {.view = QStringLiteral("WindowMenus"),
     .state = QStringLiteral("about"),
     .size = QSize(480, 320),
     .scene = QStringLiteral("scenes/WindowMenusScene.qml"),
     .properties =
         [](GalleryWorld&) {
           QVariantMap properties = UpdateWorld::shared().updater(true);
           properties.insert(QStringLiteral("about"), true);
           return properties;
         },
     .expectations = {{QStringLiteral("aboutDialog"), QStringLiteral("opened"), true},
                      {QStringLiteral("applicationMenu"), QStringLiteral("opened"), false},
                      says("aboutText", QStringLiteral("Tessorin %1").arg(QStringLiteral(TESSORIN_VERSION)))}},
});

}  // namespace
}  // namespace tessorin::gallery
