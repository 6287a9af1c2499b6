#pragma once
// DesktopDiskServices: the disk services a desktop runs, for the tests that need them.
// systemd-udevd probes every block device whenever it changes (so it holds a card open
// now and then, as on any desktop) and keeps what it found in /run/udev; udisksd offers
// the disks to programs on a system bus; dbus-daemon is that bus, with a configuration
// of the test's own.
//
// Other tests on this machine run without udev, also while these run. So the process
// that starts the services first moves into a mount and a network namespace of its own.
// Fresh, empty folders cover /run (udev's database, the bus socket, udisks' state),
// /media (where udisksd mounts), /dev/disk, /dev/block, /dev/char (udev's links) and
// /etc/udev/rules.d (the machine's own rules, which would stand above this group's):
// none of it is seen outside, and it is gone when the process ends. The copies of other
// processes' mounts that the namespace starts with are let go at once, so that none of
// them stays busy here after its owner unmounted it. In its own network namespace,
// udevd's reports reach only this group's udisksd. udevd still hears every block
// device's events (the kernel sends them to every network namespace), so each of its
// rules is made to leave alone everything but loop devices over files in this group's
// own folder; TMPDIR points there, so the group's volumes land in it. The device nodes
// keep the owner and mode the kernel gave them.
//
// Start it while the process has a single thread (a mount namespace is a thread's own
// otherwise). Needs root and the packages in scripts/install-deps.

#include <sys/types.h>

#include <memory>
#include <string>

#include "TemporaryFolder.hpp"

namespace tessorin::testing {

class DesktopDiskServices {
 public:
  // Empty when the services can be started here, else why not.
  static std::string unavailableReason();
  // Starts them, or throws std::runtime_error saying what failed.
  static std::unique_ptr<DesktopDiskServices> start();
  // Stops them; the namespace stays with the process.
  ~DesktopDiskServices();
  DesktopDiskServices(const DesktopDiskServices&) = delete;
  DesktopDiskServices& operator=(const DesktopDiskServices&) = delete;

  // The folder whose loop devices udev handles (TMPDIR while the services run).
  const std::string& folder() const { return folder_->path(); }
  // What udisksd said while it ran, for a failing test's message.
  std::string serviceLog() const;

 private:
  DesktopDiskServices() = default;
  void enterNamespace();
  void writeOwnRules();
  void startBus();
  void startUdev();
  void startUdisks();
  void stop();

  std::unique_ptr<TemporaryFolder> folder_;
  std::string previousTemporaryFolder_;
  bool hadTemporaryFolder_ = false;
  bool insideNamespace_ = false;
  pid_t bus_ = -1;
  pid_t udev_ = -1;
  pid_t udisks_ = -1;
};

}  // namespace tessorin::testing
