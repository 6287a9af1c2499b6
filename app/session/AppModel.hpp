#pragma once
// AppModel: the root model of the window. It follows the volumes the system mounts and
// unmounts (the mount table's change events, each answered by a rescan at once and one
// 1.5 s later, and a 2 s poll of the mounted volumes), keeps one CardSession per card in
// the scanner's order, holds the sidebar selection, remembers the cards that went away
// while their session was kept, owns the shared History and the application's one
// CommunityStore (made first), and stops every session before the application quits.
//
// The system's scanner reaches devices, so its scans run on a ScanWorker and the model
// takes in their answers when they come: the window comes up before the first one, and a
// card that stops answering never holds up the window. A list of devices handed in by a
// test is taken in at once, within `rescan`.
//
// Main thread only; every property notifies by its own signal, equal values silently.
// Sessions are children of the model; a dropped session is disposed, which waits for
// its coroutines to end before it is deleted, and so is every session when the model
// goes.

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QObject>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <qcoro/qcorotask.h>

#include "community/store/CommunityStore.hpp"
#include "community/store/RecordStore.hpp"
#include "session/scan/ParallelDeviceScan.hpp"
#include "session/scan/ScanWorker.hpp"
#include "session/check/CardSession.hpp"
#include "session/records/History.hpp"
#include "session/system/CardEraseJob.hpp"
#include "session/scan/MountInfoWatcher.hpp"
#include "tessorin/identity/CardDevice.hpp"

namespace tessorin {

class AppModel : public QObject {
  Q_OBJECT
  Q_PROPERTY(std::vector<tessorin::CardSession*> sessions READ sessions NOTIFY sessionsChanged)
  Q_PROPERTY(std::optional<tessorin::AppModel::Selection> selection READ selection WRITE setSelection NOTIFY
                 selectionChanged)
  Q_PROPERTY(std::set<std::string> removed READ removed NOTIFY removedChanged)
  Q_PROPERTY(bool showingHowItWorks READ showingHowItWorks WRITE setShowingHowItWorks NOTIFY showingHowItWorksChanged)
  Q_PROPERTY(bool includeDiskImages READ includeDiskImages CONSTANT)
  Q_PROPERTY(tessorin::History* history READ history CONSTANT)
  Q_PROPERTY(tessorin::CommunityStore* community READ community CONSTANT)

 public:
  struct Selection {
    enum class Kind { card, community, history };
    Kind kind = Kind::card;
    std::string cardID;  // card only

    static Selection card(std::string id) { return {Kind::card, std::move(id)}; }
    static Selection community() { return {Kind::community, {}}; }
    static Selection history() { return {Kind::history, {}}; }
    bool isCard(const std::string& id) const { return kind == Kind::card && cardID == id; }
    friend bool operator==(const Selection& a, const Selection& b) {
      return a.kind == b.kind && (a.kind != Kind::card || a.cardID == b.cardID);
    }
  };

  // Where the model learns of cards and volumes; tests hand in their own.
  struct Sources {
    std::function<std::vector<CardDevice>(bool includeDiskImages)> scan;
    // The mounted volumes the 2 s poll compares.
    std::function<std::set<std::string>()> mountedVolumes;
    bool watchMountTable = true;
    // What the erase sheet's job runs; CardFormatter::erase when empty.
    CardEraseJob::Erase erase;
    // The community's record store; unset: the one the settings choose, its SQLite file
    // beside the history.
    std::function<std::unique_ptr<RecordStore>()> communityRecords;
    // The system's scan behind `scan`, when `scan` is that (perhaps filtered): `scan` then
    // runs on a worker, and the scan learns of every change of the mount table and asks
    // for another scan when a device that was slow to answer has.
    std::shared_ptr<ParallelDeviceScan> systemScan = nullptr;

    static Sources system();
  };

  // settings outlives the model and the sessions it leaves running when it goes. The
  // model makes the History at historyUrl, scans once, then starts watching.
  AppModel(QSettings& settings, QUrl historyUrl, CardSession::Environment environment, Sources sources,
           QObject* parent = nullptr);
  ~AppModel() override;

  const std::vector<CardSession*>& sessions() const { return sessions_; }
  const std::optional<Selection>& selection() const { return selection_; }
  void setSelection(std::optional<Selection> selection);
  const std::set<std::string>& removed() const { return removed_; }
  bool showingHowItWorks() const { return showingHowItWorks_; }
  void setShowingHowItWorks(bool shown);
  History* history() const { return history_; }
  CommunityStore* community() const { return community_; }
  bool includeDiskImages() const { return includeDiskImages_; }

  // With the system's scanner, asks for a scan and returns; the answer is taken in later.
  void rescan();
  void checkMountedVolumes();
  CardSession* session(const std::string& id) const;
  // What the model knows, never a look at the file system: a stat on the main thread
  // hangs on a dead mount and finds a leftover mount folder.
  bool isVolumePresent(const CardSession* session) const;
  // The whole disks of the busy sessions: the eraser refuses them.
  std::set<std::string> busyDisks() const;
  // The erase sheet's erase, which quitting waits for like a check.
  CardEraseJob* eraseJob() const { return eraseJob_; }
  // Stops every busy session and returns once none is busy and no erase runs, or after
  // 30 s. An erase cannot be stopped between wiping and formatting; it is waited for.
  QCoro::Task<> stopAllAndWait();

 Q_SIGNALS:
  void sessionsChanged();
  void selectionChanged();
  void removedChanged();
  void showingHowItWorksChanged();
  void mountedChanged();

 private:
  // Brings sessions, removed cards and the selection up to date with what a scan found.
  void takeIn(const std::vector<CardDevice>& scanned);
  void mountsChanged();
  CardSession* makeSession(const CardDevice& device);
  void prune();
  void removeFromRemoved(const std::string& id);
  // The same card: the same file-system UUID; a card without one, recognised by its
  // device name alone, only with the same size and register serial, since device names
  // are reused by the next card put in.
  static bool sameCard(const CardDevice& known, const CardDevice& scanned);
  // Cards cloned from one image share their file system's UUID, and the scanner tells
  // the twins apart by device name; which twin gets the plain UUID as its id changes as
  // twins come and go. A card that stays in the same place keeps the id of its session.
  std::vector<CardDevice> withKnownIDs(std::vector<CardDevice> devices) const;

  QSettings& settings_;
  CardSession::Environment environment_;
  Sources sources_;
  std::vector<CardSession*> sessions_;
  std::optional<Selection> selection_;
  std::set<std::string> removed_;
  bool showingHowItWorks_ = false;
  bool includeDiskImages_ = false;
  History* history_ = nullptr;
  CardEraseJob* eraseJob_ = nullptr;
  CommunityStore* community_ = nullptr;
  std::unique_ptr<ScanWorker> scanWorker_;
  std::unique_ptr<MountInfoWatcher> watcher_;
  QTimer watch_;
  std::set<std::string> mounted_;
};

}  // namespace tessorin
