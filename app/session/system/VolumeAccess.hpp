#pragma once
// VolumeAccess: write access to one card's folder, held by a session while it works on
// the card. Outside a sandbox a writable volume is used directly. Inside one (Flatpak, or
// APP_SANDBOX_CONTAINER_ID set), or when the volume is not writable, access comes from
// the folder the user granted once per card through the folder dialog; the granted path
// is kept in the setting "VolumeBookmarks" (card id to path) and checked again on every
// later use. Stopping is explicit and happens once.
//
// Main thread only, except `openFrom`: the dialog runs there and the settings dictionary is
// read, changed and written back without any other guard. Looking at the folders on the card
// is `openFrom`'s alone, so that a card that stops answering holds a worker, not the window.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include <QSettings>
#include <QString>

#include "tessorin/identity/CardDevice.hpp"

namespace tessorin {

class VolumeAccess {
 public:
  enum class Outcome { granted, wrongFolder, cancelled };
  struct RequestOutcome {
    Outcome outcome = Outcome::cancelled;
    std::shared_ptr<VolumeAccess> access;  // only when granted
  };

  // Shows a folder chooser starting at startFolder with the given message and the accept
  // label "Allow", without blocking; calls answer with the chosen folder, or nothing when
  // the user cancelled.
  using FolderPicker =
      std::function<void(const QString& startFolder, const QString& message, std::function<void(std::optional<QString>)> answer)>;

  static bool isSandboxed();

  // The folders through which the card may be reached, read from the device and the settings
  // without touching the card: its volume outside a sandbox, and the folder granted for it
  // where that names the same volume.
  struct Candidates {
    std::optional<QString> direct;
    std::optional<QString> granted;
  };
  static Candidates candidates(const CardDevice& device, QSettings& settings);
  // The access the first writable candidate gives, or nothing. Any thread; it waits as long
  // as the card takes to answer.
  static std::shared_ptr<VolumeAccess> openFrom(const Candidates& candidates);
  // Asks the user for the card's folder; `done` runs once, on the main thread, when the
  // chooser closes.
  static void request(const CardDevice& device, QSettings& settings, const FolderPicker& picker,
                      std::function<void(RequestOutcome)> done);
  // Qt's folder dialog, window-modal over the window in use, the card's folder added to its
  // sidebar; nothing is shown (cancelled) without a widget application.
  static FolderPicker folderDialog();

  VolumeAccess(std::filesystem::path url, bool scoped) : url_(std::move(url)), scoped_(scoped) {}

  const std::filesystem::path& url() const { return url_; }
  bool scoped() const { return scoped_; }
  bool stopped() const { return stopped_; }
  void stop();

 private:
  std::filesystem::path url_;
  bool scoped_;
  bool stopped_ = false;
};

}  // namespace tessorin
