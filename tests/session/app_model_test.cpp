#include "session/AppModel.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "SessionFixture.hpp"
#include "community/store/LocalRecordStore.hpp"
#include "tessorin/identity/DeviceScanner.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;
using testing::CounterfeitCard;
using testing::turnLoopUntil;
using Kind = CardSessionStage::Kind;
using Selection = AppModel::Selection;

// The cards "plugged in" right now; tests plug and pull them.
struct Plugged {
  std::vector<CardDevice> devices;

  void pull(const std::string& id) {
    std::erase_if(devices, [&id](const CardDevice& d) { return d.id == id; });
  }
};

struct World {
  testing::SessionWorld files;
  std::shared_ptr<Plugged> plugged = std::make_shared<Plugged>();
  std::unique_ptr<AppModel> model;
  std::function<std::unique_ptr<RecordStore>()> communityRecords;

  void start() {
    AppModel::Sources sources{[plugged = plugged](bool) { return plugged->devices; },
                              [] { return std::set<std::string>{}; }, false, {}, communityRecords};
    model = std::make_unique<AppModel>(files.settings, QUrl::fromLocalFile(files.folder.filePath("History.json")),
                                       testing::smallCardEnvironment(), sources);
  }
  ~World() {
    if (!model) return;
    QCoro::waitFor(model->stopAllAndWait());
    turnLoopUntil([this] {
      return std::none_of(model->sessions().begin(), model->sessions().end(),
                          [](CardSession* s) { return s->hasSuspendedCoroutine(); });
    }, 30s);
  }
  std::vector<std::string> ids() const {
    std::vector<std::string> result;
    for (const CardSession* s : model->sessions()) result.push_back(s->id());
    return result;
  }
};

CardDevice card(const std::string& id, std::uint64_t bytes = 8_GiB) {
  CardDevice device;
  device.id = id;
  device.bsdName = "sdx1";
  device.volumeURL = "/nonexistent/" + id;
  device.volumeName = id;
  device.mediaBytes = bytes;
  return device;
}

TEST(AppModel, KeepsTheCommunityRecordsBesideTheHistoryUnlessGivenItsOwn) {
  World world;
  world.start();
  ASSERT_NE(world.model->community(), nullptr);
  EXPECT_TRUE(world.model->community()->isAvailable());
  EXPECT_EQ(world.model->community()->state().kind, CommunityStore::State::Kind::idle);
  EXPECT_TRUE(QFileInfo::exists(world.files.folder.filePath("Community.sqlite")));

  World given;
  const QString elsewhere = given.files.folder.filePath("elsewhere/Community.sqlite");
  given.communityRecords = [&given, elsewhere] {
    return std::make_unique<LocalRecordStore>(given.files.settings, elsewhere);
  };
  given.start();
  EXPECT_TRUE(QFileInfo::exists(elsewhere));
  EXPECT_FALSE(QFileInfo::exists(given.files.folder.filePath("Community.sqlite")));
}

TEST(AppModel, CardsAtStartUpFollowTheScannerAndTheLastOneIsSelected) {
  World world;
  world.plugged->devices = {card("A"), card("B")};
  world.start();
  EXPECT_EQ(world.ids(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(world.model->selection(), Selection::card("B"));

  world.plugged->devices = {card("A"), card("C"), card("B")};
  world.model->rescan();
  EXPECT_EQ(world.ids(), (std::vector<std::string>{"A", "C", "B"}));
  EXPECT_EQ(world.model->selection(), Selection::card("B")) << "a new card does not take a present card's place";
}

TEST(AppModel, PulledOutCardLeavesAtOnceUnlessItIsSelectedThenWhenTheUserLooksElsewhere) {
  World world;
  world.plugged->devices = {card("A"), card("B")};
  world.start();
  world.model->setSelection(Selection::card("A"));

  world.plugged->pull("B");
  world.model->rescan();
  EXPECT_EQ(world.ids(), (std::vector<std::string>{"A"}));

  world.plugged->pull("A");
  world.model->rescan();
  EXPECT_EQ(world.ids(), (std::vector<std::string>{"A"}));
  EXPECT_TRUE(world.model->removed().count("A"));
  EXPECT_FALSE(world.model->isVolumePresent(world.model->session("A")));

  world.model->setSelection(Selection::history());
  EXPECT_TRUE(world.model->sessions().empty());
  EXPECT_TRUE(world.model->removed().empty());
}

// A card that arrives in the rescan that misses the selected card takes the selection;
// the selected card's session, at rest, goes in that same rescan.
TEST(AppModel, SelectedCardPulledAtRestAsAnotherArrivesLeavesInThatRescanAndTheNewcomerIsSelected) {
  World world;
  world.plugged->devices = {card("A")};
  world.start();
  ASSERT_EQ(world.model->selection(), Selection::card("A"));

  world.plugged->devices = {card("C")};
  world.model->rescan();
  EXPECT_EQ(world.ids(), (std::vector<std::string>{"C"}));
  EXPECT_EQ(world.model->selection(), Selection::card("C"));
  EXPECT_TRUE(world.model->removed().empty());
}

TEST(AppModel, SameCardBackAtRestGetsAFreshSessionUnderTheSameSelection) {
  World world;
  world.plugged->devices = {card("A")};
  world.start();
  const CardSession* first = world.model->session("A");
  world.plugged->pull("A");
  world.model->rescan();
  world.plugged->devices = {card("A")};
  world.model->rescan();
  ASSERT_NE(world.model->session("A"), nullptr);
  EXPECT_NE(world.model->session("A"), first);
  EXPECT_EQ(world.model->selection(), Selection::card("A"));
  EXPECT_TRUE(world.model->removed().empty());
}

TEST(AppModel, ReusedDeviceNameOnACardOfAnotherSizeIsAnotherCard) {
  World world;
  CardDevice first = card("sdx1", 8_GiB);
  world.plugged->devices = {first};
  world.start();
  const CardSession* before = world.model->session("sdx1");
  first.volume.availableBytes = 123;  // fresh figures of the same card: same session
  world.plugged->devices = {first};
  world.model->rescan();
  EXPECT_EQ(world.model->session("sdx1"), before);
  EXPECT_EQ(world.model->session("sdx1")->device().volume.availableBytes, 123u);

  world.plugged->devices = {card("sdx1", 16_GiB)};
  world.model->rescan();
  ASSERT_NE(world.model->session("sdx1"), nullptr);
  EXPECT_NE(world.model->session("sdx1"), before);
  EXPECT_EQ(world.model->session("sdx1")->device().mediaBytes, 16_GiB);
}

// The one card plugged in when the model starts, its check started.
CardSession* startCheckOfPluggedCard(World& world, const CardDevice& device) {
  world.plugged->devices = {device};
  world.start();
  CardSession* session = world.model->session(device.id);
  session->start();
  return session;
}

// The same, for a check that asks for the card to be taken out and put back between
// writing and the read-back.
CardSession* startCheckAskingForReinsertion(World& world, const CardDevice& device) {
  world.files.settings.setValue("ReinsertBeforeVerify", true);
  return startCheckOfPluggedCard(world, device);
}

TEST(AppModel, CardPulledOutDuringACheckIsKeptUntilItRestsAndSaysItWasRemoved) {
  TESSORIN_REQUIRE_VOLUMES();
  auto medium = CounterfeitCard::make({.claimed = 512_MiB, .writeBytesPerSecond = 40_MiB});
  World world;
  const CardDevice device = testing::deviceFor(medium->mountPoint(), medium->loopDevice(), 512_MiB);
  CardSession* session = startCheckOfPluggedCard(world, device);
  ASSERT_TRUE(turnLoopUntil([&] { return session->stage().kind == Kind::quick; }, 30s));

  world.plugged->pull(device.id);
  world.model->rescan();
  EXPECT_TRUE(session->cardRemoved());
  EXPECT_TRUE(world.model->removed().count(device.id));
  ASSERT_TRUE(turnLoopUntil([&] { return session->stage().isAtRest() && !session->task(); }, 60s));
  EXPECT_EQ(session->errorMessage(), QStringLiteral("The card was removed during the test."));
  EXPECT_EQ(world.model->session(device.id), session) << "selected, so still shown";
}

TEST(AppModel, ReinsertionWaitResumesWhenTheSameCardComesBack) {
  TESSORIN_REQUIRE_VOLUMES();
  auto medium = CounterfeitCard::make({.claimed = 384_MiB});
  World world;
  const CardDevice device = testing::deviceFor(medium->mountPoint(), medium->loopDevice(), 384_MiB);
  CardSession* session = startCheckAskingForReinsertion(world, device);
  ASSERT_TRUE(turnLoopUntil([&] { return session->stage().kind == Kind::reinsert; }, 120s));

  world.plugged->pull(device.id);
  world.model->rescan();
  EXPECT_EQ(session->stage(), CardSessionStage::reinsert(true));
  EXPECT_FALSE(session->access());

  world.plugged->devices = {device};
  world.model->rescan();
  EXPECT_EQ(world.model->session(device.id), session);
  ASSERT_TRUE(turnLoopUntil([&] { return session->stage().kind == Kind::finished; }, 120s));
  EXPECT_FALSE(session->fullStopped());
  EXPECT_EQ(session->outcome()->verdict, CheckOutcome::Verdict::genuine);
}

// Cards cloned from one image share their file system's UUID. The scanner gives the
// plain UUID to the first twin it lists and the UUID with the device name to the other;
// when the first is pulled, the other gets the plain UUID. Its running check stays its
// own, under its session, and the pulled twin's session goes.
TEST(AppModel, ATwinKeepsItsSessionAndItsCheckWhenTheOtherTwinIsPulledAndPutBack) {
  TESSORIN_REQUIRE_VOLUMES();
  auto medium = CounterfeitCard::make({.claimed = 512_MiB, .writeBytesPerSecond = 40_MiB});
  World world;
  CardDevice second = testing::deviceFor(medium->mountPoint(), medium->loopDevice(), 512_MiB);
  CardDevice first = card(second.fileSystemUUID);
  first.fileSystemUUID = second.fileSystemUUID;
  const std::string uuid = second.fileSystemUUID;
  second.id = uuid + "-" + second.bsdName;
  world.plugged->devices = {first, second};
  world.start();
  CardSession* checking = world.model->session(second.id);
  ASSERT_NE(checking, nullptr);
  checking->start();
  ASSERT_TRUE(turnLoopUntil([&] { return checking->stage().kind == Kind::quick; }, 30s));

  CardDevice alone = second;
  alone.id = uuid;
  world.plugged->devices = {alone};
  world.model->rescan();
  EXPECT_EQ(world.model->session(second.id), checking);
  EXPECT_EQ(world.model->session(uuid), nullptr) << "the pulled twin's session stays or took the card";
  EXPECT_FALSE(checking->cardRemoved());
  EXPECT_TRUE(checking->stage().isBusy());

  CardDevice back = first;
  back.id = uuid + "-" + first.bsdName;
  world.plugged->devices = {alone, back};
  world.model->rescan();
  EXPECT_EQ(world.model->session(second.id), checking);
  EXPECT_EQ(world.ids().size(), 2u);
  EXPECT_TRUE(checking->stage().isBusy());
  EXPECT_EQ(checking->device().volumeURL, second.volumeURL);
}

TEST(AppModel, QuittingJustAsTheCardCameBackStopsBeforeTheReadBack) {
  TESSORIN_REQUIRE_VOLUMES();
  auto medium = CounterfeitCard::make({.claimed = 384_MiB});
  World world;
  const CardDevice device = testing::deviceFor(medium->mountPoint(), medium->loopDevice(), 384_MiB);
  CardSession* session = startCheckAskingForReinsertion(world, device);
  ASSERT_TRUE(turnLoopUntil([&] { return session->stage().kind == Kind::reinsert; }, 120s));
  session->continueAfterReinsert();
  QCoro::waitFor(world.model->stopAllAndWait());
  EXPECT_EQ(session->stage().kind, Kind::finished);
  EXPECT_TRUE(session->fullStopped());
  EXPECT_FALSE(session->fullResult());
}

TEST(AppModel, QuittingWhileBusyStopsEverySessionWithinThirtySeconds) {
  TESSORIN_REQUIRE_VOLUMES();
  // Busy for a minute, on ext4: its tests write around the host's cache, so stopping waits
  // for one write to reach the slow card. exfat-fuse would queue the zeros of every
  // reservation in that cache, and no stop can cut short the fsync that drains them.
  auto slow = CounterfeitCard::make(
      {.claimed = 512_MiB, .fileSystem = testing::FileSystemKind::ext4, .writeBytesPerSecond = 8_MiB});
  auto fake = CounterfeitCard::make({.claimed = 512_MiB, .real = 128_MiB, .mode = CounterfeitCard::Mode::dropZero});
  World world;
  const CardDevice slowCard = testing::deviceFor(slow->mountPoint(), slow->loopDevice(), 512_MiB);
  const CardDevice fakeCard = testing::deviceFor(fake->mountPoint(), fake->loopDevice(), 512_MiB);
  world.plugged->devices = {slowCard, fakeCard};
  world.start();
  CardSession* busy = world.model->session(slowCard.id);
  CardSession* deciding = world.model->session(fakeCard.id);
  busy->start();
  deciding->start();
  ASSERT_TRUE(turnLoopUntil([&] { return deciding->stage().kind == Kind::decision; }, 120s));
  ASSERT_TRUE(busy->stage().isBusy());

  QElapsedTimer clock;
  clock.start();
  QCoro::waitFor(world.model->stopAllAndWait());
  EXPECT_LT(clock.elapsed(), 30'000);
  EXPECT_TRUE(busy->stage().isAtRest());
  EXPECT_EQ(deciding->stage().kind, Kind::finished);
  EXPECT_EQ(deciding->outcome()->verdict, CheckOutcome::Verdict::fake);
}

TEST(AppModel, ASessionWhoseCheckIsStillRunningOutlivesTheModelUntilItsCheckHasEnded) {
  TESSORIN_REQUIRE_VOLUMES();
  auto medium = CounterfeitCard::make({.claimed = 512_MiB, .writeBytesPerSecond = 40_MiB});
  World world;
  const CardDevice device = testing::deviceFor(medium->mountPoint(), medium->loopDevice(), 512_MiB);
  QPointer<CardSession> session = startCheckOfPluggedCard(world, device);
  ASSERT_TRUE(turnLoopUntil([&] { return session->stage().kind == Kind::quick; }, 30s));
  ASSERT_TRUE(session->hasSuspendedCoroutine());

  // Gone without waiting for its sessions, as after a quit that gave up.
  world.model.reset();
  ASSERT_TRUE(session) << "deleted while its coroutine could still resume into it";
  EXPECT_TRUE(turnLoopUntil([&] { return session.isNull(); }, 60s)) << "stopped, it goes once its check has ended";
}

CardSession* sessionAt(const AppModel& model, const std::string& mountPoint) {
  for (CardSession* s : model.sessions()) {
    if (s->device().volumeURL == mountPoint) return s;
  }
  return nullptr;
}

// The whole road as the application runs it: the system's scanner with disk images
// listed, the mount table watched, a real volume checked, then pulled out.
TEST(AppModel, ScannedDiskImageIsCheckedToARecordAndItsUnmountIsSeenAsARemoval) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld files;
  files.settings.setValue("ShowDiskImages", true);
  auto medium = CounterfeitCard::make({.claimed = 384_MiB, .label = "SCANNED"});
  AppModel model(files.settings, QUrl::fromLocalFile(files.folder.filePath("History.json")),
                 testing::smallCardEnvironment(), AppModel::Sources::system());
  CardSession* session = nullptr;
  ASSERT_TRUE(turnLoopUntil([&] { return (session = sessionAt(model, medium->mountPoint())) != nullptr; }, 10s))
      << "the scanner lists the disk image";
  session->start();
  ASSERT_TRUE(turnLoopUntil([&] { return session->stage().kind == Kind::finished; }, 180s));
  EXPECT_EQ(session->outcome()->verdict, CheckOutcome::Verdict::genuine);
  EXPECT_EQ(model.history()->records().size(), 1u);

  model.setSelection(Selection::history());
  const std::string id = session->id();
  medium->volume().unmount();
  EXPECT_TRUE(turnLoopUntil([&] { return model.session(id) == nullptr; }, 10s))
      << "an idle, unselected card leaves when its volume goes";
}

// Wipes the file system's header on the device below a mounted volume, as a wrapping
// fake's own writes do, where the mounted file system does not look again.
void wipeHeader(const std::string& loopDevice) {
  const int fd = ::open(loopDevice.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const std::vector<char> zeros(64 * 1024, 0);
  EXPECT_EQ(::pwrite(fd, zeros.data(), zeros.size(), 0), static_cast<ssize_t>(zeros.size()));
  EXPECT_EQ(::fsync(fd), 0);
  ::close(fd);
}

// With the system's scanner and the mount table watched: another volume mounted and
// unmounted makes the model scan while the card's header reads as another file system's
// (or none). The card is what it was mounted as until its own volume goes.
TEST(AppModel, CardUnderCheckKeepsItsSessionWhenItsHeaderChangesAndIsRemovedWhenItsMountGoes) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld files;
  files.settings.setValue("ShowDiskImages", true);
  auto medium = CounterfeitCard::make({.claimed = 512_MiB, .label = "HEADER", .writeBytesPerSecond = 20_MiB});
  AppModel model(files.settings, QUrl::fromLocalFile(files.folder.filePath("History.json")),
                 testing::smallCardEnvironment(), AppModel::Sources::system());
  CardSession* session = nullptr;
  ASSERT_TRUE(turnLoopUntil([&] { return (session = sessionAt(model, medium->mountPoint())) != nullptr; }, 10s));
  const std::string id = session->id();
  model.setSelection(Selection::card(id));
  session->start();
  ASSERT_TRUE(turnLoopUntil([&] { return session->stage().isBusy(); }, 10s));

  wipeHeader(medium->loopDevice());
  const auto raw = DeviceScanner::device(medium->mountPoint(), true);
  ASSERT_TRUE(raw);
  ASSERT_NE(raw->id, id) << "the header still reads as before";
  for (int round = 0; round < 2; ++round) {
    auto other = testing::LoopVolume::create(testing::FileSystemKind::ext4, 16_MiB, "OTHER");
    const std::string otherMountPoint = other->mountPoint();
    ASSERT_TRUE(turnLoopUntil([&] { return sessionAt(model, otherMountPoint) != nullptr; }, 10s));
    other.reset();
    // Selected, the other card's session would stay: the expectations below say why.
    turnLoopUntil([&] { return sessionAt(model, otherMountPoint) == nullptr; }, 10s);
    EXPECT_EQ(model.session(id), session) << "round " << round;
    EXPECT_FALSE(session->cardRemoved()) << "round " << round;
    EXPECT_TRUE(session->stage().isBusy()) << "round " << round;
    EXPECT_EQ(model.selection(), Selection::card(id)) << "round " << round;
  }

  // The model lists every volume mounted on this machine, other programs' too. The check
  // may notice before the model's next scan does and come to rest; a volume that arrives
  // in the scan that misses the card then takes the stale selection, and the resting
  // session leaves the list in that same scan, its id never seen in `removed`. What holds
  // whatever else is mounted meanwhile: the session was told, and the model no longer
  // takes the card for present.
  const QPointer<CardSession> watched = session;
  bool told = false;
  QObject::connect(session, &CardSession::cardRemovedChanged, session, [&] { told = told || watched->cardRemoved(); });
  medium->volume().unmount();
  EXPECT_TRUE(turnLoopUntil([&] { return told && !model.isVolumePresent(model.session(id)); }, 10s))
      << "its volume went";
  ASSERT_TRUE(turnLoopUntil([&] { return !watched || (watched->stage().isAtRest() && !watched->task()); }, 60s));
}

}  // namespace
}  // namespace tessorin
