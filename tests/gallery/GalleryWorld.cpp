#include "GalleryWorld.hpp"

#include <atomic>

#include <QUrl>

namespace tessorin::gallery {

namespace {

constexpr std::uint64_t kibibyte = 1024;
constexpr std::uint64_t sdhcLimit = 32'000'000'000;

CardDevice mountedCard(std::uint64_t mediaBytes, CardDevice::Connection connection) {
  static std::atomic<int> cards{0};
  const int number = ++cards;
  CardDevice device;
  device.id = "gallery-card-" + std::to_string(number);
  device.volumeURL = "/media/gallery/CARD" + std::to_string(number);
  device.volumeName = "CARD" + std::to_string(number);
  device.bsdName = "sdx" + std::to_string(number);
  device.wholeDiskBSDName = "sdx";
  device.mediaBytes = mediaBytes;
  device.connection = std::move(connection);
  device.volume.totalBytes = mediaBytes;
  device.volume.availableBytes = mediaBytes;
  GalleryWorld::format(device, "exfat");
  return device;
}

}  // namespace

GalleryWorld::GalleryWorld()
    : settings_(folder_.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
      history_(QUrl::fromLocalFile(folder_.filePath(QStringLiteral("History.json")))) {}

GalleryWorld::~GalleryWorld() = default;

const std::string& GalleryWorld::unwritableFolder() {
  if (!unwritable_) unwritable_ = std::make_unique<testing::UnwritableFolder>();
  return unwritable_->path();
}

AppModel* GalleryWorld::appModel(std::vector<CardDevice> cards, std::optional<QUrl> history) {
  auto plugged = std::make_unique<Plugged>();
  plugged->cards = std::move(cards);
  Plugged* raw = plugged.get();
  AppModel::Sources sources{[raw](bool) { return raw->cards; }, [] { return std::set<std::string>{}; }, false, {}, {}};
  CardSession::Environment environment;
  environment.host = quickCheckHost();
  environment.folderPicker = [](const QString&, const QString&, std::function<void(std::optional<QString>)> answer) {
    answer(std::nullopt);
  };
  const QUrl historyUrl =
      history.value_or(QUrl::fromLocalFile(folder_.filePath(QStringLiteral("History-%1.json").arg(models_.size()))));
  plugged->model = std::make_unique<AppModel>(settings_, historyUrl, environment, sources);
  models_.push_back(std::move(plugged));
  return raw->model.get();
}

void GalleryWorld::pull(AppModel* model, const std::string& cardId) {
  for (const std::unique_ptr<Plugged>& plugged : models_) {
    if (plugged->model.get() != model) continue;
    std::erase_if(plugged->cards, [&cardId](const CardDevice& card) { return card.id == cardId; });
    model->rescan();
  }
}

AppDelegate* GalleryWorld::appDelegate(AppModel* model) {
  delegates_.push_back(std::make_unique<AppDelegate>([] {}));
  delegates_.back()->setModel(model);
  return delegates_.back().get();
}

AppSettingsFile* GalleryWorld::settingsFile(const QString& name) {
  settingsFiles_.push_back(std::make_unique<AppSettingsFile>(filePath(name)));
  return settingsFiles_.back().get();
}

CardSession* GalleryWorld::session(const CardDevice& device, std::optional<HostSystem> host) {
  CardSession::Environment environment;
  environment.host = host.value_or(quickCheckHost());
  environment.folderPicker = [](const QString&, const QString&, std::function<void(std::optional<QString>)> answer) {
    answer(std::nullopt);
  };
  sessions_.push_back(std::make_unique<CardSession>(device, &history_, settings_, environment));
  return sessions_.back().get();
}

void GalleryWorld::format(CardDevice& device, std::string fileSystem) {
  std::uint64_t cluster = 4 * kibibyte;  // NTFS and ext4 at any card size
  if (fileSystem == "exfat") cluster = (device.mediaBytes > sdhcLimit ? 128 : 32) * kibibyte;
  if (fileSystem == "msdos") cluster = 32 * kibibyte;
  // The driver each is mounted with on a desktop whose kernel has them all.
  device.volume.mountType = fileSystem == "msdos" ? "vfat" : fileSystem == "ntfs" ? "ntfs3" : fileSystem;
  device.volume.fileSystem = std::move(fileSystem);
  device.volume.blockSize = cluster;
  device.partitionScheme = "FDisk_partition_scheme";
  device.partitionOffset = 4 * kibibyte * kibibyte;
}

CardDevice GalleryWorld::builtInCard(std::uint64_t mediaBytes, std::optional<std::string> cardType) {
  CardDevice device = mountedCard(mediaBytes, CardDevice::Connection::builtInReader());
  device.readerName = "Built-in SD card reader";
  CardRegisters registers;
  registers.cardType = std::move(cardType);
  device.registers = registers;
  return device;
}

CardDevice GalleryWorld::cardInUSBReader(std::uint64_t mediaBytes) {
  CardDevice device = mountedCard(mediaBytes, CardDevice::Connection::usb());
  device.readerName = "USB3.0 Card Reader";
  USBInfo usb;
  usb.productName = "USB3.0 Card Reader";
  usb.slots = 1;
  device.usb = usb;
  return device;
}

CardDevice GalleryWorld::usbDrive(std::uint64_t mediaBytes) {
  CardDevice device = mountedCard(mediaBytes, CardDevice::Connection::usb());
  USBInfo usb;
  usb.slots = 1;
  device.usb = usb;
  return device;
}

}  // namespace tessorin::gallery
