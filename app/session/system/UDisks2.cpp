#include "session/system/UDisks2.hpp"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QVariantMap>

namespace tessorin {

namespace {

const QString service = QStringLiteral("org.freedesktop.UDisks2");
// Erasing and formatting a large card takes its time.
constexpr int longCallMilliseconds = 10 * 60 * 1000;

QString blockObject(const std::string& name) {
  return QStringLiteral("/org/freedesktop/UDisks2/block_devices/") + QString::fromStdString(name);
}

std::optional<std::string> failureOf(const QDBusMessage& reply) {
  if (reply.type() == QDBusMessage::ErrorMessage) return reply.errorMessage().toStdString();
  return std::nullopt;
}

QDBusMessage call(const QString& object, const QString& interface, const QString& method, const QVariantList& arguments,
                  int timeout = longCallMilliseconds) {
  QDBusMessage message = QDBusMessage::createMethodCall(service, object, interface, method);
  message.setArguments(arguments);
  return QDBusConnection::systemBus().call(message, QDBus::Block, timeout);
}

}  // namespace

bool UDisks2::isAvailable() {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected() || bus.interface() == nullptr) return false;
  if (bus.interface()->isServiceRegistered(service).value()) return true;
  const QDBusReply<QStringList> activatable = bus.interface()->call(QStringLiteral("ListActivatableNames"));
  return activatable.isValid() && activatable.value().contains(service);
}

std::optional<std::string> UDisks2::unmount(const std::string& blockName) {
  return failureOf(call(blockObject(blockName), QStringLiteral("org.freedesktop.UDisks2.Filesystem"),
                        QStringLiteral("Unmount"), {QVariantMap{}}));
}

std::optional<std::string> UDisks2::eject(const std::string& wholeDiskName) {
  const QDBusMessage drive = call(blockObject(wholeDiskName), QStringLiteral("org.freedesktop.DBus.Properties"),
                                  QStringLiteral("Get"),
                                  {QStringLiteral("org.freedesktop.UDisks2.Block"), QStringLiteral("Drive")}, 10'000);
  if (auto failure = failureOf(drive)) return failure;
  const QDBusObjectPath path =
      qvariant_cast<QDBusObjectPath>(qvariant_cast<QDBusVariant>(drive.arguments().value(0)).variant());
  if (path.path().isEmpty() || path.path() == QStringLiteral("/")) return std::string("the disk has no drive");
  return failureOf(call(path.path(), QStringLiteral("org.freedesktop.UDisks2.Drive"), QStringLiteral("Eject"),
                        {QVariantMap{}}));
}

std::optional<std::string> UDisks2::eraseAsExFAT(const std::string& wholeDiskName, const std::string& label,
                                                 std::string& mountedAt) {
  const QString disk = blockObject(wholeDiskName);
  // A fresh, empty MBR partition table over the whole disk.
  if (auto failure = failureOf(call(disk, QStringLiteral("org.freedesktop.UDisks2.Block"), QStringLiteral("Format"),
                                    {QStringLiteral("dos"), QVariantMap{}}))) {
    return failure;
  }
  // Offset 0 and size 0: the service aligns the partition and gives it all the space.
  const QDBusMessage created = call(
      disk, QStringLiteral("org.freedesktop.UDisks2.PartitionTable"), QStringLiteral("CreatePartitionAndFormat"),
      {QVariant::fromValue<quint64>(0), QVariant::fromValue<quint64>(0), QStringLiteral("0x07"), QString(), QVariantMap{},
       QStringLiteral("exfat"), QVariantMap{{QStringLiteral("label"), QString::fromStdString(label)}}});
  if (auto failure = failureOf(created)) return failure;
  const QDBusObjectPath partition = qvariant_cast<QDBusObjectPath>(created.arguments().value(0));
  const QDBusMessage mounted = call(partition.path(), QStringLiteral("org.freedesktop.UDisks2.Filesystem"),
                                    QStringLiteral("Mount"), {QVariantMap{}});
  // Erased is erased: a card that does not mount again is still reported as erased.
  if (!failureOf(mounted)) mountedAt = mounted.arguments().value(0).toString().toStdString();
  return std::nullopt;
}

}  // namespace tessorin
