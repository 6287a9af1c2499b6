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

#include "session/check/CardSession.hpp"
#include "session/records/History.hpp"
#include "tessorin/identity/CardDevice.hpp"

namespace tessorin::gallery {

class GalleryWorld {
 public:
  GalleryWorld();
  ~GalleryWorld();

  // A session for the device, its brand settings stored first so that it starts with them.
  CardSession* session(const CardDevice& device);

  // A card in the built-in reader, with registers giving its type when one is named.
  static CardDevice builtInCard(std::uint64_t mediaBytes, std::optional<std::string> cardType = std::nullopt);
  // A card in a USB reader whose registers stay hidden.
  static CardDevice cardInUSBReader(std::uint64_t mediaBytes);
  // A USB flash drive as a nameless one-slot device whose size is no multiple of 512 KiB.
  static CardDevice usbDrive(std::uint64_t mediaBytes);

  QSettings& settings() { return settings_; }

 private:
  QTemporaryDir folder_;
  QSettings settings_;
  History history_;
  std::vector<std::unique_ptr<CardSession>> sessions_;
};

}  // namespace tessorin::gallery
