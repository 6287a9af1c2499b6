#pragma once
// What the session tests share: engine options shrunk to small cards, a device value for
// a mounted test volume, an isolated settings file and history, and a way to turn the
// main loop until something has happened.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include "session/check/CardSession.hpp"
#include "session/records/History.hpp"
#include "tessorin/posix/BlockDeviceProbe.hpp"
#include "tessorin/identity/CardDevice.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin::testing {

constexpr std::uint64_t sessionMiB = 1ull << 20;

// Scaled to cards of a few hundred MiB: the roads run as on a real card, on less of it.
inline CardSession::Environment smallCardEnvironment() {
  CardSession::Environment environment;
  environment.quickOptions.minimumSpacing = 16 * sessionMiB;
  environment.quickOptions.overwhelmBytes = 32 * sessionMiB;
  environment.quickOptions.zone.maximumBytes = 64 * sessionMiB;
  environment.quickOptions.zone.minimumBytes = 16 * sessionMiB;
  environment.quickOptions.zone.segmentBytes = 16 * sessionMiB;
  environment.quickOptions.zone.chunkSize = 4 * sessionMiB;
  environment.quickOptions.zone.randomSeconds = 0.2;
  // exfat-fuse, the only exFAT driver here, writes the space it reserves and would be
  // refused; the roads are tested as on a driver that does not. The refusal has a test.
  environment.quickOptions.allocationTrialBytes = 0;
  environment.zoneOptions = environment.quickOptions.zone;
  environment.fullOptions.fileSize = 32 * sessionMiB;
  environment.fullOptions.chunkSize = 4 * sessionMiB;
  // The harness's cards go at once; tests that play a slow reader set their own.
  environment.removalSettle = std::chrono::milliseconds(0);
  // Nobody answers a dialog in a test.
  environment.folderPicker = [](const QString&, const QString&, std::function<void(std::optional<QString>)> answer) {
    answer(std::nullopt);
  };
  return environment;
}

// The card as the scanner would describe a mounted disk image, named by its file
// system's UUID as the scanner names it.
inline CardDevice deviceFor(const std::string& mountPoint, const std::string& loopDevice, std::uint64_t mediaBytes) {
  CardDevice device;
  device.volumeURL = mountPoint;
  device.volumeName = "TESTCARD";
  device.bsdName = loopDevice.substr(loopDevice.rfind('/') + 1);
  const std::optional<BlockDeviceTags> tags = probeBlockDevice(loopDevice);
  device.fileSystemUUID = tags ? tags->uuid : std::string();
  device.id = device.fileSystemUUID.empty() ? device.bsdName : device.fileSystemUUID;
  device.wholeDiskBSDName = device.bsdName;
  device.mediaBytes = mediaBytes;
  device.connection = CardDevice::Connection::diskImage();
  device.volume = VolumeStats(mountPoint);
  return device;
}

// Turns the main loop until done() or the time is up; says whether done() came true.
inline bool turnLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limit.count()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

// Settings and a history of their own, in a temporary folder.
struct SessionWorld {
  QTemporaryDir folder;
  QSettings settings{folder.filePath("settings.ini"), QSettings::IniFormat};
  History history{QUrl::fromLocalFile(folder.filePath("History.json"))};
};

}  // namespace tessorin::testing
