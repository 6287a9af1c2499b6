#include "session/check/CardSession.hpp"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "CounterfeitCard.hpp"
#include "LoopVolume.hpp"
#include "../SessionFixture.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace testing::literals;
using testing::turnLoopUntil;
using Kind = CardSessionStage::Kind;

// A card with photos on it and a system folder at its root.
struct FullCard {
  testing::SessionWorld world;
  std::unique_ptr<testing::LoopVolume> volume;
  std::unique_ptr<CardSession> session;

  // A second card cloned from the same image as one already in: the scanner names it by
  // its file system's UUID and its device name.
  explicit FullCard(bool twin = false, testing::FileSystemKind kind = testing::FileSystemKind::exfat)
      : volume(testing::LoopVolume::create(kind, 384_MiB)) {
    const fs::path root = volume->mountPoint();
    fs::create_directories(root / "DCIM/100");
    std::ofstream photo(root / "DCIM/100/big.jpg", std::ios::binary);
    const std::string block(1 << 20, 'p');
    for (int i = 0; i < 200; ++i) photo << block;
    photo.close();
    fs::create_directories(root / ".fseventsd");
    CardDevice device = testing::deviceFor(volume->mountPoint(), volume->loopDevice(), 384_MiB);
    if (twin) device.id += "-" + device.bsdName;
    session = std::make_unique<CardSession>(device, &world.history, world.settings, testing::smallCardEnvironment());
  }
  ~FullCard() {
    session->stop();
    turnLoopUntil([this] { return !session->hasSuspendedCoroutine(); }, 60s);
  }
};

TEST(CardSessionErase, EraseAndCheckDeletesTheFilesKeepsSystemFoldersAndRunsTheCheck) {
  TESSORIN_REQUIRE_VOLUMES();
  FullCard card;
  card.session->start();
  EXPECT_TRUE(turnLoopUntil([&] { return card.session->confirmingErase(); }, 30s)) << "too little free space for a check";
  card.session->eraseAndCheck();
  EXPECT_TRUE(turnLoopUntil([&] { return card.session->stage().kind == Kind::erasing; }, 30s));
  ASSERT_TRUE(turnLoopUntil([&] { return card.session->stage().kind == Kind::finished; }, 180s));
  const fs::path root = card.volume->mountPoint();
  EXPECT_FALSE(fs::exists(root / "DCIM"));
  EXPECT_TRUE(fs::exists(root / ".fseventsd"));
  EXPECT_EQ(card.session->outcome()->verdict, CheckOutcome::Verdict::genuine);
}

// A card that refuses writes (here mounted read-only, as behind its write-protect switch)
// keeps the files the user asked to delete. Erasing cannot help it: the check runs and
// gives it the read-only verdict, and the files are still there to be copied off.
TEST(CardSessionErase, EraseAndCheckOfACardThatRefusesWritesEndsInTheReadOnlyVerdictNotTheEraseAdvice) {
  TESSORIN_REQUIRE_VOLUMES();
  for (const auto kind : {testing::FileSystemKind::exfat, testing::FileSystemKind::ext4}) {
    const std::string what = kind == testing::FileSystemKind::exfat ? "exFAT" : "ext4";
    FullCard card(false, kind);
    const std::string root = card.volume->mountPoint();
    ASSERT_TRUE(testing::runCommand({"mount", "-o", "remount,ro", root}).ok()) << what;
    // A read-only volume is used only once the user has picked it.
    CardSession::Environment picking = testing::smallCardEnvironment();
    picking.folderPicker = [root](const QString&, const QString&, std::function<void(std::optional<QString>)> answer) {
      answer(QString::fromStdString(root));
    };
    card.session = std::make_unique<CardSession>(testing::deviceFor(root, card.volume->loopDevice(), 384_MiB),
                                                 &card.world.history, card.world.settings, picking);
    card.session->eraseAndCheck();
    ASSERT_TRUE(turnLoopUntil([&] { return card.session->permissionRequest().has_value(); }, 30s)) << what;
    card.session->handlePermissionGrant();
    ASSERT_TRUE(turnLoopUntil([&] { return card.session->stage().kind == Kind::decision ||
                                           (card.session->stage().isAtRest() && !card.session->task()); },
                              180s))
        << what;
    if (card.session->stage().kind == Kind::decision) card.session->stop();

    EXPECT_FALSE(card.session->showingDiskUtilityGuide()) << what;
    EXPECT_FALSE(card.session->errorMessage()) << what << ": " << card.session->errorMessage()->toStdString();
    ASSERT_TRUE(card.session->outcome()) << what;
    EXPECT_EQ(card.session->outcome()->verdict, CheckOutcome::Verdict::damaged) << what;
    const CheckOutcome& outcome = *card.session->outcome();
    const WriteRefusal refusal = outcome.full    ? outcome.full->writeRefusal()
                                 : outcome.quick ? outcome.quick->writeRefusal()
                                                 : WriteRefusal::none;
    EXPECT_EQ(refusal, WriteRefusal::readOnly) << what;
    EXPECT_TRUE(fs::exists(fs::path(root) / "DCIM/100/big.jpg")) << what;
  }
}

TEST(CardSessionErase, StopWhileErasingLetsTheDeletionEndAndStartsNoCheck) {
  TESSORIN_REQUIRE_VOLUMES();
  FullCard card;
  card.session->eraseAndCheck();
  ASSERT_TRUE(turnLoopUntil([&] { return card.session->stage().kind == Kind::erasing; }, 30s));
  card.session->stop();
  ASSERT_TRUE(turnLoopUntil([&] { return !card.session->task(); }, 60s));
  EXPECT_EQ(card.session->stage().kind, Kind::idle);
  EXPECT_FALSE(fs::exists(fs::path(card.volume->mountPoint()) / "DCIM")) << "the deletion ran to its end";
  EXPECT_FALSE(card.session->outcome());
  EXPECT_FALSE(card.session->activity());
  EXPECT_LT(card.session->device().volume.usedBytes(), 64_MiB) << "fresh figures after the deletion";
}

TEST(CardSessionErase, TheSecondTwinOfAClonedCardIsErasedByItsFileSystemUUIDNotByItsID) {
  TESSORIN_REQUIRE_VOLUMES();
  FullCard card(true);
  card.session->eraseAndCheck();
  ASSERT_TRUE(turnLoopUntil([&] { return card.session->stage().kind == Kind::erasing; }, 30s));
  card.session->stop();
  ASSERT_TRUE(turnLoopUntil([&] { return !card.session->task(); }, 60s));
  EXPECT_FALSE(fs::exists(fs::path(card.volume->mountPoint()) / "DCIM"));
  EXPECT_FALSE(card.session->errorMessage()) << card.session->errorMessage()->toStdString();
}

// "Delete Test Files" works off the main thread, and a user's folder that only carries
// the test folder's name is named back to the user, not deleted.
TEST(CardSessionErase, DeletingTestFilesRunsInTheBackgroundAndNeverTakesAUsersFolder) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld world;
  auto volume = testing::LoopVolume::create(testing::FileSystemKind::exfat, 64_MiB);
  const fs::path folder = TestFolder::path(volume->mountPoint());
  fs::create_directories(folder);
  std::ofstream(folder / "holiday.jpg") << "the user's";
  CardDevice device = testing::deviceFor(volume->mountPoint(), volume->loopDevice(), 64_MiB);
  device.hasLeftoverTestFiles = true;
  CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());

  session.deleteTestFiles();
  EXPECT_FALSE(session.errorMessage()) << "ran on the main thread";
  ASSERT_TRUE(turnLoopUntil([&] { return session.errorMessage().has_value(); }, 30s));
  EXPECT_TRUE(session.errorMessage()->contains(QString::fromStdString(folder.string())))
      << session.errorMessage()->toStdString();
  EXPECT_TRUE(fs::exists(folder / "holiday.jpg"));
  EXPECT_TRUE(session.device().hasLeftoverTestFiles);

  fs::remove(folder / "holiday.jpg");
  std::ofstream(folder / "F00000.otr") << "left by a test";
  session.deleteTestFiles();
  ASSERT_TRUE(turnLoopUntil([&] { return !session.device().hasLeftoverTestFiles; }, 30s));
  EXPECT_FALSE(fs::exists(folder));
}

// On exfat-fuse the folder shows gone at once, though a card that refuses writes keeps it:
// the user is told that it stays and why, and the card still shows leftovers.
TEST(CardSessionErase, DeletingTestFilesOffACardThatRefusesWritesSaysTheyStay) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld world;
  auto card = testing::CounterfeitCard::make({.claimed = 64_MiB});
  const fs::path folder = TestFolder::path(card->mountPoint());
  fs::create_directories(folder);
  std::ofstream(folder / "F00000.otr") << "left by a test";
  ::sync();
  card->turnReadOnlyAfter(0);
  CardDevice device = testing::deviceFor(card->mountPoint(), card->loopDevice(), 64_MiB);
  device.hasLeftoverTestFiles = true;
  CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());

  session.deleteTestFiles();
  ASSERT_TRUE(turnLoopUntil([&] { return session.errorMessage().has_value(); }, 30s));
  EXPECT_TRUE(session.errorMessage()->contains(QStringLiteral("read-only")) &&
              session.errorMessage()->contains(QStringLiteral("Copy your files off it first")))
      << session.errorMessage()->toStdString();
  EXPECT_TRUE(session.device().hasLeftoverTestFiles);
  EXPECT_FALSE(session.showingDiskUtilityGuide());
}

TEST(CardSessionErase, LeftoverTestFilesAreRemovedBeforeTheCheckPlansItsSpace) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld world;
  auto volume = testing::LoopVolume::create(testing::FileSystemKind::exfat, 384_MiB);
  fs::create_directories(TestFolder::path(volume->mountPoint()));
  std::ofstream(TestFolder::path(volume->mountPoint()) / "F00001.otr") << std::string(1 << 20, 'x');
  CardDevice device = testing::deviceFor(volume->mountPoint(), volume->loopDevice(), 384_MiB);
  device.hasLeftoverTestFiles = true;
  CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());
  session.check();
  ASSERT_TRUE(turnLoopUntil([&] { return session.stage().kind == Kind::finished; }, 180s));
  EXPECT_FALSE(session.device().hasLeftoverTestFiles);
  EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));
}

TEST(CardSessionErase, AnEjectThatFailsSaysWhyAndWhereToEjectInstead) {
  testing::SessionWorld world;
  CardDevice device;
  device.id = "GONE";
  device.volumeURL = "/nonexistent/GONE";
  CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());
  QCoro::waitFor(session.eject(device.volumeURL));
  ASSERT_TRUE(session.errorMessage());
  EXPECT_TRUE(session.errorMessage()->startsWith(QStringLiteral("The card couldn’t be ejected (")));
  EXPECT_TRUE(session.errorMessage()->endsWith(QStringLiteral("). Eject it in the file manager instead.")));
}

TEST(CardSessionErase, EjectingACardNoLongerMountedLeavesTheEnclosingDiskAlone) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld world;
  auto enclosing = testing::LoopVolume::create(testing::FileSystemKind::ext4, 32_MiB, "OUTER");
  auto pulled = testing::LoopVolume::create(testing::FileSystemKind::exfat, 32_MiB);
  pulled->unmount();
  const fs::path folder = fs::path(enclosing->mountPoint()) / "CARD";
  fs::create_directory(folder);
  CardDevice device = testing::deviceFor(enclosing->mountPoint(), pulled->loopDevice(), 32_MiB);
  device.volumeURL = folder;
  CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());
  QCoro::waitFor(session.eject(folder));
  EXPECT_TRUE(session.errorMessage());
  bool stillMounted = false;
  const MountTable table = MountTable::read();
  for (const MountEntry& entry : table.entries()) stillMounted |= entry.mountPoint == enclosing->mountPoint();
  EXPECT_TRUE(stillMounted) << "the disk that encloses the card's folder was unmounted";
}

TEST(CardSessionErase, EjectingUnmountsEveryFileSystemOfTheCard) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld world;
  auto volume = testing::LoopVolume::create(testing::FileSystemKind::exfat, 64_MiB);
  const CardDevice device = testing::deviceFor(volume->mountPoint(), volume->loopDevice(), 64_MiB);
  CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());
  QCoro::waitFor(session.eject(device.volumeURL));
  EXPECT_FALSE(session.errorMessage());
  const MountTable table = MountTable::read();
  for (const MountEntry& entry : table.entries()) EXPECT_NE(entry.source, volume->loopDevice());
}

TEST(CardSessionErase, EjectCardPressedTwiceEjectsOnceWithoutAFalseFailure) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld world;
  auto volume = testing::LoopVolume::create(testing::FileSystemKind::exfat, 64_MiB);
  const CardDevice device = testing::deviceFor(volume->mountPoint(), volume->loopDevice(), 64_MiB);
  CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());
  session.startEject();
  EXPECT_TRUE(session.hasSuspendedCoroutine()) << "the eject is the session's own coroutine";
  session.startEject();
  ASSERT_TRUE(turnLoopUntil([&] { return !session.hasSuspendedCoroutine(); }, 60s));
  EXPECT_FALSE(session.errorMessage()) << session.errorMessage().value_or(QString()).toStdString();
  const MountTable table = MountTable::read();
  for (const MountEntry& entry : table.entries()) EXPECT_NE(entry.source, volume->loopDevice());
}

}  // namespace
}  // namespace tessorin
