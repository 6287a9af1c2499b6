#pragma once
// HistoryChange: one change the window made to the history's records, sent to the
// history's saver so that it keeps a copy of its own: the window hands over the one
// record, never the whole list. Applied the same way on both sides, so that the two
// copies stay alike. A plain value, safe to send to any thread.

#include <set>

#include <QUuid>

#include "session/records/CheckRecord.hpp"

namespace tessorin {

struct HistoryChange {
  enum class Kind {
    add,     // the record goes in front of all others
    update,  // the record replaces the first with the same id
    remove,  // every record with the id goes
    save,    // no change: the records are saved as they are
  };
  Kind kind = Kind::save;
  CheckRecord record;  // add and update
  QUuid id;            // remove

  // Applies the change to records newest first; a removed id joins removedHere. Whether
  // any record changed place or value.
  bool applyTo(CheckRecords& records, std::set<QUuid>& removedHere) const;
};

}  // namespace tessorin
