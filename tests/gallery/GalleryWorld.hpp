#pragma once
// GalleryWorld: the real objects a gallery state shows: card sessions over device values
// as the scanner describes them, sharing a history and a settings file in a temporary
// folder. Sessions live as long as the world (the whole gallery run). Main thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QSettings>
#include <QTemporaryDir>

#include "session/AppModel.hpp"
#include "session/check/CardSession.hpp"
#include "shell/core/AppDelegate.hpp"
#include "shell/core/AppSettingsFile.hpp"
#include "session/records/History.hpp"
#include "tessorin/identity/CardDevice.hpp"
#include "UnwritableFolder.hpp"

namespace tessorin::gallery {

class GalleryWorld {
 public:
  GalleryWorld();
  ~GalleryWorld();

  // A session for the device, its brand settings stored first so that it starts with them.
  // Its kernel mounts exFAT with a driver that reserves space without writing it, unless
  // another host is given.
  CardSession* session(const CardDevice& device, std::optional<HostSystem> host = std::nullopt);
  static HostSystem quickCheckHost() { return HostSystem::withRelease("6.8.0", true); }

  // A card in the built-in reader, with registers giving its type when one is named.
  static CardDevice builtInCard(std::uint64_t mediaBytes, std::optional<std::string> cardType = std::nullopt);
  // A card in a USB reader whose registers stay hidden.
  static CardDevice cardInUSBReader(std::uint64_t mediaBytes);
  // A USB flash drive as a nameless one-slot device whose size is no multiple of 512 KiB.
  static CardDevice usbDrive(std::uint64_t mediaBytes);
  // The device's volume as a fresh format of that file system leaves it: in a partition
  // map with one partition, with the cluster size the SD formatter and mkfs choose.
  static void format(CardDevice& device, std::string fileSystem);

  QSettings& settings() { return settings_; }
  // A file of this name in the world's own folder, which lives as long as the world.
  QString filePath(const QString& name) const { return folder_.filePath(name); }
  // A folder nothing can be saved into (a read-only file system), made on first use.
  const std::string& unwritableFolder();

  // An application model over these cards (in this order) with a history of its own; the
  // cards stay plugged in until pulled.
  // Its history is kept at `history` when given.
  AppModel* appModel(std::vector<CardDevice> cards, std::optional<QUrl> history = std::nullopt);
  // The card goes, and the model rescans.
  void pull(AppModel* model, const std::string& cardId);
  // A quit controller over the model, whose quits do nothing.
  AppDelegate* appDelegate(AppModel* model);
  // The application's settings over the file of this name in the world's folder, with
  // what it has to tell of it.
  AppSettingsFile* settingsFile(const QString& name);

 private:
  QTemporaryDir folder_;
  QSettings settings_;
  History history_;
  std::vector<std::unique_ptr<CardSession>> sessions_;
  struct Plugged {
    std::vector<CardDevice> cards;
    std::unique_ptr<AppModel> model;
  };
  std::vector<std::unique_ptr<Plugged>> models_;
  std::vector<std::unique_ptr<AppDelegate>> delegates_;
  std::vector<std::unique_ptr<AppSettingsFile>> settingsFiles_;
  std::unique_ptr<testing::UnwritableFolder> unwritable_;
};

}  // namespace tessorin::gallery
