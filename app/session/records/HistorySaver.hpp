#pragma once
// HistorySaver: reads and writes the history on a thread of its own, so that a long
// history never holds up the window. It first reads the file, then keeps a copy of the
// records of its own, to which it applies the changes the window sends, in order, and
// saves after each batch of them: the window hands over one record per change, never the
// whole list, and merging what other writers stored happens here. Where the file was
// found to be what another user may have put there or may change, nothing is saved for
// the rest of the run: the changes are taken in, and each batch is answered as saved
// with nothing written.
//
// Owned by one thread (History's); `change`, `discard` and `waitUntilIdle` are called
// from it. The callbacks run on the saver's thread. The destructor writes every change
// still waiting, then joins the thread: nothing asked for is lost at quit.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "session/records/HistoryChange.hpp"
#include "session/records/HistoryFile.hpp"

namespace tessorin {

class HistorySaver {
 public:
  struct Loaded {
    CheckRecords records;
    historyfile::Trouble trouble = historyfile::Trouble::none;
    // With trouble from others: what the user is to mend.
    QString refused;
  };
  struct Saved {
    // The last change the save took in.
    std::uint64_t through = 0;
    historyfile::SaveResult result;
  };

  HistorySaver(QString path, std::function<void(Loaded)> onLoaded, std::function<void(Saved)> onSaved);
  ~HistorySaver();
  HistorySaver(const HistorySaver&) = delete;
  HistorySaver& operator=(const HistorySaver&) = delete;

  // The change numbered `number` (numbers rise by one per change, from 1).
  void change(std::uint64_t number, HistoryChange change);
  // Records the window no longer needs, freed here rather than on the window's thread.
  void discard(CheckRecords records);
  // Blocks until the file is read and every change sent so far is saved and announced.
  void waitUntilIdle();

 private:
  void run();
  void load();
  // One save of records_; memory that runs out comes back as the result's error.
  historyfile::SaveResult save();

  const QString path_;
  std::function<void(Loaded)> onLoaded_;
  std::function<void(Saved)> onSaved_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::uint64_t, HistoryChange>> waiting_;
  std::vector<CheckRecords> discarded_;
  bool loaded_ = false;
  bool writing_ = false;
  bool stopping_ = false;
  // Known only to the saver's thread: the records as the window has them once it has
  // applied every change sent, ids removed here, whether the file on disk is still to be
  // set aside, and the file the last save wrote.
  CheckRecords records_;
  std::set<QUuid> removedHere_;
  bool fileUnreadable_ = false;
  bool keptForTheRun_ = false;
  std::optional<historyfile::FileIdentity> lastWritten_;
  std::thread thread_;
};

}  // namespace tessorin
