#pragma once
// HistorySaver: writes the history on a thread of its own, so that a large history never
// holds up the window when a check finishes. Saves run one at a time, in the order they
// were asked for; a save asked for while another is being written replaces any that is
// still waiting, since each carries every record. Each outcome goes to `onSaved`, called
// on the saver's thread.
//
// Owned by one thread (History's); `save` and `waitUntilIdle` are called from it. The
// destructor writes what is still waiting, then joins the thread: nothing asked for is
// lost at quit.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "session/records/HistoryFile.hpp"

namespace tessorin {

class HistorySaver {
 public:
  // fileUnreadable: the file held data that could not be loaded, and the first save is to
  // set it aside before writing.
  HistorySaver(bool fileUnreadable, std::function<void(historyfile::SaveResult)> onSaved);
  ~HistorySaver();
  HistorySaver(const HistorySaver&) = delete;
  HistorySaver& operator=(const HistorySaver&) = delete;

  void save(historyfile::SaveRequest request);
  // Blocks until every save asked for so far is written and announced.
  void waitUntilIdle();

 private:
  void run();

  std::function<void(historyfile::SaveResult)> onSaved_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<historyfile::SaveRequest> waiting_;
  bool writing_ = false;
  bool stopping_ = false;
  // Known only to the saver's thread: whether the file on disk is still to be set aside.
  bool fileUnreadable_;
  std::thread thread_;
};

}  // namespace tessorin
