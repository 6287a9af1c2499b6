#include "session/system/ProcessActivity.hpp"

#include <poll.h>
#include <unistd.h>

#include <chrono>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "../SessionFixture.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;

// A stand-in for systemd-logind: hands out the write end of a pipe as the inhibitor
// lock, so the test sees the lock released when the read end reports a hang-up.
class FakeLogind : public QDBusVirtualObject {
 public:
  int lockReader = -1;
  QStringList lastRequest;

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() != QStringLiteral("org.freedesktop.login1.Manager") ||
        message.member() != QStringLiteral("Inhibit")) {
      return false;
    }
    lastRequest.clear();
    for (const QVariant& argument : message.arguments()) lastRequest << argument.toString();
    int ends[2];
    if (::pipe(ends) != 0) return false;
    lockReader = ends[0];
    const QDBusUnixFileDescriptor lock(ends[1]);  // keeps a copy of its own
    ::close(ends[1]);
    connection.send(message.createReply(QVariant::fromValue(lock)));
    return true;
  }
};

bool hungUp(int fd) {
  pollfd watch{fd, POLLIN, 0};
  return ::poll(&watch, 1, 0) == 1 && (watch.revents & POLLHUP) != 0;
}

// A private bus that stands in for the system bus for this whole process.
class PrivateSystemBus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    daemon = new QProcess();
    daemon->start("/usr/bin/dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!daemon->waitForStarted(5000) || !daemon->waitForReadyRead(5000)) return;
    address = QString::fromUtf8(daemon->readLine()).trimmed();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());
  }
  static void TearDownTestSuite() {
    daemon->kill();
    daemon->waitForFinished(5000);
    delete daemon;
  }
  void SetUp() override {
    if (address.isEmpty()) GTEST_SKIP() << "no dbus-daemon to stand in for the system bus";
  }

  static inline QProcess* daemon = nullptr;
  static inline QString address;
};

TEST_F(PrivateSystemBus, WithoutLogindTheCheckCarriesOnWithoutALock) {
  auto activity = ProcessActivity::begin(QStringLiteral("Testing a memory card"));
  QSignalSpy settled(activity.get(), &ProcessActivity::settled);
  ASSERT_TRUE(testing::turnLoopUntil([&] { return settled.count() > 0; }, 10s));
  EXPECT_FALSE(activity->isHoldingLock());
  activity->end();
}

TEST_F(PrivateSystemBus, TheLockIsHeldWhileTheCheckRunsAndReleasedWhenItEnds) {
  QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("fake-logind"));
  FakeLogind logind;
  ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), &logind));
  ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.login1")));

  auto activity = ProcessActivity::begin(QStringLiteral("Testing a memory card"));
  QSignalSpy settled(activity.get(), &ProcessActivity::settled);
  ASSERT_TRUE(testing::turnLoopUntil([&] { return settled.count() > 0; }, 10s));
  ASSERT_TRUE(activity->isHoldingLock());
  EXPECT_EQ(logind.lastRequest,
            (QStringList{"sleep:idle", "Tessorin", "Testing a memory card", "block"}));
  EXPECT_FALSE(hungUp(logind.lockReader)) << "held while the check runs";

  activity->end();
  EXPECT_TRUE(hungUp(logind.lockReader)) << "released when it ends";

  // A check that ends before logind answers does not keep the lock it gets afterwards.
  auto quick = ProcessActivity::begin(QStringLiteral("Testing a memory card"));
  quick->end();
  QSignalSpy quickSettled(quick.get(), &ProcessActivity::settled);
  ASSERT_TRUE(testing::turnLoopUntil([&] { return quickSettled.count() > 0; }, 10s));
  EXPECT_FALSE(quick->isHoldingLock());
  EXPECT_TRUE(hungUp(logind.lockReader));
  ::close(logind.lockReader);
  service.unregisterService(QStringLiteral("org.freedesktop.login1"));
}

}  // namespace
}  // namespace tessorin
