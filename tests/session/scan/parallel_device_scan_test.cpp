#include "session/scan/ParallelDeviceScan.hpp"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "LoopVolume.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;
using testing::CounterfeitCard;

const CardDevice* at(const std::vector<CardDevice>& devices, const std::string& mountPoint) {
  for (const CardDevice& device : devices) {
    if (device.volumeURL == mountPoint) return &device;
  }
  return nullptr;
}

// From now on every read of the card waits until released; what the host had cached of
// its device is dropped, so that reading it reaches the card.
void stall(CounterfeitCard& card) {
  card.setReadDelay(std::chrono::hours(1));
  const int fd = ::open(card.loopDevice().c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ::ioctl(fd, BLKFLSBUF, 0);
  ::close(fd);
}

// A card that stops answering holds back its own row only: the scan answers in its time
// with the other cards, leaves a card it never described out until it answers (and then
// asks for another scan), and keeps a card it knew as it was, since its mount stands.
TEST(ParallelDeviceScan, ACardThatStopsAnsweringHoldsBackOnlyItsOwnRow) {
  TESSORIN_REQUIRE_VOLUMES();
  auto quick = testing::LoopVolume::create(testing::FileSystemKind::ext4, 32_MiB, "ANSWERS");
  auto slow = CounterfeitCard::make({.claimed = 128_MiB, .label = "HANGS"});
  stall(*slow);
  ParallelDeviceScan scan(DeviceScanner::Sources::system(), 5s);
  std::atomic<int> lateAnswers{0};
  scan.setLateAnswerHandler([&lateAnswers] { ++lateAnswers; });

  std::vector<CardDevice> devices = scan.scan(true);
  EXPECT_NE(at(devices, quick->mountPoint()), nullptr);
  EXPECT_EQ(at(devices, slow->mountPoint()), nullptr) << "described without reading the card";
  EXPECT_EQ(lateAnswers, 0);

  slow->setReadDelay(0ms);
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (lateAnswers == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
  EXPECT_EQ(lateAnswers, 1) << "nobody was told the card had answered";
  devices = scan.scan(true);
  ASSERT_NE(at(devices, slow->mountPoint()), nullptr);
  const CardDevice known = *at(devices, slow->mountPoint());
  EXPECT_EQ(known.volumeName, "HANGS");

  stall(*slow);
  devices = scan.scan(true);
  ASSERT_NE(at(devices, slow->mountPoint()), nullptr) << "a known card that hangs was taken for removed";
  EXPECT_EQ(at(devices, slow->mountPoint())->id, known.id);
  EXPECT_NE(at(devices, quick->mountPoint()), nullptr);
  slow->setReadDelay(0ms);
}

}  // namespace
}  // namespace tessorin
