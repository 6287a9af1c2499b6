#include "session/records/HistorySaver.hpp"

#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include "session/errors/ErrorWording.hpp"

#include "tessorin/posix/WorkerThread.hpp"

namespace tessorin {

HistorySaver::HistorySaver(QString path, std::function<void(Loaded)> onLoaded, std::function<void(Saved)> onSaved)
    : path_(std::move(path)),
      onLoaded_(std::move(onLoaded)),
      onSaved_(std::move(onSaved)),
      thread_([this] { run(); }) {}

HistorySaver::~HistorySaver() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void HistorySaver::change(std::uint64_t number, HistoryChange change) {
  {
    const std::lock_guard lock(mutex_);
    waiting_.emplace_back(number, std::move(change));
  }
  changed_.notify_all();
}

void HistorySaver::discard(CheckRecords records) {
  {
    const std::lock_guard lock(mutex_);
    discarded_.push_back(std::move(records));
  }
  changed_.notify_all();
}

void HistorySaver::waitUntilIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return loaded_ && waiting_.empty() && !writing_; });
}

void HistorySaver::load() {
  historyfile::Content content = historyfile::read(path_);
  // Loading leaves the file as it is (a newer version may have written what this one
  // cannot read); it is set aside only when something new is to be saved.
  fileUnreadable_ =
      content.trouble == historyfile::Trouble::unreadable || content.trouble == historyfile::Trouble::tooLarge;
  keptForTheRun_ = historyfile::isOthers(content.trouble);
  try {
    records_ = content.records;
  } catch (const std::bad_alloc&) {
    // Too many records to hold twice: the history starts empty, as with a file that
    // cannot be read, and the file is set aside before the next save.
    records_.clear();
    content = {{}, historyfile::Trouble::unreadable, {}};
    fileUnreadable_ = true;
  }
  onLoaded_({std::move(content.records), content.trouble, std::move(content.refused)});
}

historyfile::SaveResult HistorySaver::save() {
  try {
    return historyfile::save(path_, records_, removedHere_, fileUnreadable_, lastWritten_);
  } catch (const std::bad_alloc&) {
    // An exception on this thread would end the application with every check in it; the
    // records stay in memory, and the next save tries again.
    historyfile::SaveResult result;
    result.fileUnreadable = fileUnreadable_;
    result.written = lastWritten_;
    result.error = ErrorWording::historyNotSaved(QString::fromLocal8Bit(std::strerror(ENOMEM)));
    return result;
  }
}

void HistorySaver::run() {
  nameCurrentThread("Tessorin history");
  load();
  std::unique_lock lock(mutex_);
  loaded_ = true;
  changed_.notify_all();
  for (;;) {
    changed_.wait(lock, [this] { return !waiting_.empty() || !discarded_.empty() || stopping_; });
    std::vector<CheckRecords> discarded = std::exchange(discarded_, {});
    if (waiting_.empty() && discarded.empty()) return;
    std::deque<std::pair<std::uint64_t, HistoryChange>> batch = std::exchange(waiting_, {});
    writing_ = !batch.empty();
    lock.unlock();

    discarded.clear();
    if (!batch.empty()) {
      // Every change carries the whole of what it asks: one save writes them all.
      for (const auto& [number, change] : batch) change.applyTo(records_, removedHere_);
      historyfile::SaveResult result = keptForTheRun_ ? historyfile::SaveResult{} : save();
      fileUnreadable_ = result.fileUnreadable;
      lastWritten_ = result.written;
      if (result.withOthers) records_ = *result.withOthers;
      onSaved_({batch.back().first, std::move(result)});
    }

    lock.lock();
    writing_ = false;
    changed_.notify_all();
  }
}

}  // namespace tessorin
