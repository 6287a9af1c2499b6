// What a session does before it acts on a card's folder: it checks only the folder that is
// still the card's own mount, never the empty folder a pulled card leaves behind or a folder
// elsewhere, and it decides with the figures the card shows now, not those of the last scan.

#include "session/check/CardSession.hpp"

#include <chrono>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "LoopVolume.hpp"
#include "TemporaryFolder.hpp"
#include "../SessionFixture.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace testing::literals;
using testing::turnLoopUntil;
using Kind = CardSessionStage::Kind;

struct Card {
  testing::SessionWorld world;
  std::unique_ptr<testing::LoopVolume> volume;
  std::unique_ptr<CardSession> session;

  explicit Card(testing::FileSystemKind kind = testing::FileSystemKind::exfat, std::uint64_t bytes = 384_MiB)
      : volume(testing::LoopVolume::create(kind, bytes)) {
    session = std::make_unique<CardSession>(testing::deviceFor(volume->mountPoint(), volume->loopDevice(), bytes),
                                            &world.history, world.settings, testing::smallCardEnvironment());
  }
  ~Card() {
    session->stop();
    turnLoopUntil([this] { return !session->hasSuspendedCoroutine() && !session->task(); }, 120s);
  }
  bool settled() {
    return turnLoopUntil([this] { return !session->task() && session->stage().isAtRest(); }, 60s);
  }
};

void writeFile(const fs::path& path, std::uint64_t bytes) {
  std::ofstream file(path, std::ios::binary);
  const std::string block(1 << 20, 'u');
  for (std::uint64_t written = 0; written < bytes; written += block.size()) file << block;
}

// Whatever the user pressed, a folder that is not the card's mount gets no check, no
// deletion and no test files, and the user is told why; the figures stay the card's.
TEST(CardSessionLook, NoCheckStartsOnTheFolderAPulledCardLeftBehind) {
  TESSORIN_REQUIRE_VOLUMES();
  Card card;
  const VolumeStats cardFigures = card.session->device().volume;
  ASSERT_TRUE(card.volume->unmount());
  const fs::path leftBehind = card.volume->mountPoint();
  ASSERT_TRUE(fs::is_directory(leftBehind)) << "the empty mount folder stays on the disk below";
  std::ofstream(leftBehind / "host-file.txt") << "not the card's";

  struct Press {
    const char* what;
    void (CardSession::*action)();
  };
  for (const Press press : {Press{"start", &CardSession::start}, Press{"check", &CardSession::check},
                            Press{"eraseAndCheck", &CardSession::eraseAndCheck}}) {
    card.session->setErrorMessage(std::nullopt);
    (card.session.get()->*press.action)();
    ASSERT_TRUE(card.settled()) << press.what;
    EXPECT_EQ(card.session->stage().kind, Kind::idle) << press.what;
    ASSERT_TRUE(card.session->errorMessage()) << press.what;
    EXPECT_TRUE(card.session->errorMessage()->contains(QStringLiteral("is no longer mounted at")))
        << card.session->errorMessage()->toStdString();
    EXPECT_FALSE(card.session->confirmingErase() || card.session->offeringErase()) << press.what;
    EXPECT_FALSE(card.session->activity()) << press.what;
    EXPECT_TRUE(fs::exists(leftBehind / "host-file.txt")) << press.what << ": nothing deleted";
    EXPECT_FALSE(TestFolder::exists(leftBehind)) << press.what;
    EXPECT_EQ(card.session->device().volume, cardFigures) << press.what << ": no figures of the host's disk";
  }

  card.session->refreshFigures();
  ASSERT_TRUE(card.settled());
  turnLoopUntil([] { return false; }, 300ms);
  EXPECT_EQ(card.session->device().volume, cardFigures) << "a card that is gone keeps its last figures";
}

// The card's own device mounted somewhere else does not make a plain folder the card.
TEST(CardSessionLook, AFolderThatIsNotTheCardsMountIsRefusedWhileTheCardIsIn) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::SessionWorld world;
  auto volume = testing::LoopVolume::create(testing::FileSystemKind::ext4, 128_MiB);
  testing::TemporaryFolder plain;
  std::ofstream(fs::path(plain.path()) / "keep.txt") << "the user's";
  CardDevice device = testing::deviceFor(volume->mountPoint(), volume->loopDevice(), 128_MiB);
  device.volumeURL = plain.path();
  CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());

  session.eraseAndCheck();
  ASSERT_TRUE(turnLoopUntil([&] { return !session.task() && session.stage().isAtRest(); }, 60s));
  ASSERT_TRUE(session.errorMessage());
  EXPECT_TRUE(session.errorMessage()->contains(QString::fromStdString(plain.path())))
      << session.errorMessage()->toStdString();
  EXPECT_TRUE(fs::exists(fs::path(plain.path()) / "keep.txt"));
  EXPECT_FALSE(session.outcome());

  session.setErrorMessage(std::nullopt);
  session.check();
  ASSERT_TRUE(turnLoopUntil([&] { return !session.task() && session.stage().isAtRest(); }, 60s));
  EXPECT_TRUE(session.errorMessage());
  EXPECT_FALSE(TestFolder::exists(plain.path()));
}

// Files copied onto a card at rest show before the erase questions are asked, and when its
// page is shown again; the scan's figures from before the copy are not used.
TEST(CardSessionLook, FiguresAreReadAgainAfterFilesWereCopiedOntoAnIdleCard) {
  TESSORIN_REQUIRE_VOLUMES();
  Card card;
  ASSERT_LT(card.session->device().volume.usedBytes(), 64_MiB);
  writeFile(fs::path(card.volume->mountPoint()) / "copied.bin", 200_MiB);

  card.session->refreshFigures();
  ASSERT_TRUE(turnLoopUntil([&] { return card.session->device().volume.usedBytes() > 190_MiB; }, 30s))
      << "used " << card.session->device().volume.usedBytes();

  writeFile(fs::path(card.volume->mountPoint()) / "more.bin", 64_MiB);
  card.session->start();
  ASSERT_TRUE(turnLoopUntil([&] { return card.session->confirmingErase() || card.session->offeringErase(); }, 30s))
      << "stage " << static_cast<int>(card.session->stage().kind);
  EXPECT_TRUE(card.session->confirmingErase()) << "under 1 GiB free with 264 MiB of files on it";
  EXPECT_GT(card.session->device().volume.usedBytes(), 250_MiB);
  EXPECT_EQ(card.session->stage().kind, Kind::idle);
}

}  // namespace
}  // namespace tessorin
