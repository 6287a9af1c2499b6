#include "session/system/UDisks2.hpp"

#include <chrono>
#include <thread>

#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QVariantMap>

namespace tessorin {

namespace {

using namespace std::chrono_literals;

const QString service = QStringLiteral("org.freedesktop.UDisks2");
const QString blockInterface = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString partitionTableInterface = QStringLiteral("org.freedesktop.UDisks2.PartitionTable");
const QString filesystemInterface = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString busyError = QStringLiteral("org.freedesktop.UDisks2.Error.DeviceBusy");
const QString notMountedError = QStringLiteral("org.freedesktop.UDisks2.Error.NotMounted");
// Erasing a large card takes its time, and so does unmounting or ejecting a slow one: the
// data still in the system's cache is written out first. Looking things up answers at
// once, and a service that does not is not waited on for longer than the short time.
constexpr int longCallMilliseconds = 10 * 60 * 1000;
constexpr int shortCallMilliseconds = 60 * 1000;
// How long a node the kernel has just listed may take to reach the service (udev probes
// it first), and how long a busy file system is asked again.
constexpr auto appearingTime = 10s;
constexpr int busyAttempts = 20;
constexpr quint64 firstPartitionOffset = 1024 * 1024;
constexpr auto busyPause = 250ms;

QDBusMessage call(const QString& object, const QString& interface, const QString& method, const QVariantList& arguments,
                  int timeout = shortCallMilliseconds) {
  QDBusMessage message = QDBusMessage::createMethodCall(service, object, interface, method);
  message.setArguments(arguments);
  return QDBusConnection::systemBus().call(message, QDBus::Block, timeout);
}

std::optional<std::string> failureOf(const QDBusMessage& reply) {
  if (reply.type() == QDBusMessage::ErrorMessage) return reply.errorMessage().toStdString();
  return std::nullopt;
}

// The service's object for the node, or empty when it has none.
QString objectOf(const std::string& node) {
  const QDBusMessage reply = call(QStringLiteral("/org/freedesktop/UDisks2/Manager"),
                                  QStringLiteral("org.freedesktop.UDisks2.Manager"), QStringLiteral("ResolveDevice"),
                                  {QVariantMap{{QStringLiteral("path"), QString::fromStdString(node)}}, QVariantMap{}});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
  const auto objects = qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().constFirst());
  return objects.isEmpty() ? QString() : objects.constFirst().path();
}

// The object, waiting while udev and the service catch up with a node just listed. A card
// mounted a moment ago (or a disk image just attached) is on the kernel's list before it is
// on the service's; a node the kernel does not have is not waited for.
QString awaitedObjectOf(const std::string& node) {
  const auto deadline = std::chrono::steady_clock::now() + appearingTime;
  QString object = objectOf(node);
  while (object.isEmpty() && ::access(node.c_str(), F_OK) == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(100ms);
    object = objectOf(node);
  }
  return object;
}

// Whether the object shows the partition table (the service adds it once udev has read
// the new table, which may come after Format has answered).
bool showsPartitionTable(const QString& disk) {
  const QDBusMessage reply = call(disk, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                  {partitionTableInterface, QStringLiteral("Type")});
  return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
         !qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toString().isEmpty();
}

std::string unknown(const std::string& node) { return "the disk service does not know " + node; }

}  // namespace

bool UDisks2::isAvailable() {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected() || bus.interface() == nullptr) return false;
  if (bus.interface()->isServiceRegistered(service).value()) return true;
  const QDBusReply<QStringList> activatable = bus.interface()->call(QStringLiteral("ListActivatableNames"));
  return activatable.isValid() && activatable.value().contains(service);
}

std::optional<std::string> UDisks2::unmount(const std::string& node) {
  const QString object = awaitedObjectOf(node);
  if (object.isEmpty()) return unknown(node);
  QDBusMessage reply;
  for (int attempt = 0; attempt < busyAttempts; ++attempt) {
    reply = call(object, filesystemInterface, QStringLiteral("Unmount"), {QVariantMap{}}, longCallMilliseconds);
    // Unmounted by someone else meanwhile (a FUSE driver that quit) is unmounted.
    if (reply.type() == QDBusMessage::ErrorMessage && reply.errorName() == notMountedError) return std::nullopt;
    if (reply.type() != QDBusMessage::ErrorMessage || reply.errorName() != busyError) break;
    std::this_thread::sleep_for(busyPause);
  }
  return failureOf(reply);
}

std::optional<std::string> UDisks2::eject(const std::string& wholeDiskNode) {
  const QString disk = awaitedObjectOf(wholeDiskNode);
  if (disk.isEmpty()) return unknown(wholeDiskNode);
  const QDBusMessage drive = call(disk, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                  {blockInterface, QStringLiteral("Drive")});
  if (auto failure = failureOf(drive)) return failure;
  const QDBusObjectPath path =
      qvariant_cast<QDBusObjectPath>(qvariant_cast<QDBusVariant>(drive.arguments().value(0)).variant());
  if (path.path().isEmpty() || path.path() == QStringLiteral("/")) return std::nullopt;
  return failureOf(call(path.path(), QStringLiteral("org.freedesktop.UDisks2.Drive"), QStringLiteral("Eject"),
                        {QVariantMap{}}, longCallMilliseconds));
}

std::optional<std::string> UDisks2::newPartitionTable(const std::string& wholeDiskNode) {
  const QString disk = awaitedObjectOf(wholeDiskNode);
  if (disk.isEmpty()) return unknown(wholeDiskNode);
  if (auto failure = failureOf(call(disk, blockInterface, QStringLiteral("Format"), {QStringLiteral("dos"), QVariantMap{}},
                                    longCallMilliseconds))) {
    return failure;
  }
  const auto deadline = std::chrono::steady_clock::now() + appearingTime;
  while (!showsPartitionTable(disk)) {
    if (std::chrono::steady_clock::now() > deadline) return "the new partition table did not appear";
    std::this_thread::sleep_for(100ms);
  }
  return std::nullopt;
}

std::optional<std::string> UDisks2::addExFATPartition(const std::string& wholeDiskNode, const std::string& label) {
  const QString disk = awaitedObjectOf(wholeDiskNode);
  if (disk.isEmpty()) return unknown(wholeDiskNode);
  // From the first MiB (where cards put their first partition; offset 0, the table's own
  // sector, the service moves past with a warning) to the end (size 0).
  return failureOf(call(disk, partitionTableInterface, QStringLiteral("CreatePartitionAndFormat"),
                        {QVariant::fromValue<quint64>(firstPartitionOffset), QVariant::fromValue<quint64>(0),
                         QStringLiteral("0x07"),
                         QString(), QVariantMap{}, QStringLiteral("exfat"),
                         QVariantMap{{QStringLiteral("label"), QString::fromStdString(label)}}},
                        longCallMilliseconds));
}

std::optional<std::string> UDisks2::formatExFAT(const std::string& node, const std::string& label) {
  const QString object = awaitedObjectOf(node);
  if (object.isEmpty()) return unknown(node);
  return failureOf(call(object, blockInterface, QStringLiteral("Format"),
                        {QStringLiteral("exfat"), QVariantMap{{QStringLiteral("label"), QString::fromStdString(label)}}},
                        longCallMilliseconds));
}

std::optional<std::string> UDisks2::mount(const std::string& node, std::string& mountedAt) {
  const QString object = awaitedObjectOf(node);
  if (object.isEmpty()) return unknown(node);
  const QDBusMessage reply = call(object, filesystemInterface, QStringLiteral("Mount"), {QVariantMap{}});
  if (auto failure = failureOf(reply)) return failure;
  mountedAt = reply.arguments().value(0).toString().toStdString();
  return std::nullopt;
}

}  // namespace tessorin
