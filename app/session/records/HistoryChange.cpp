#include "session/records/HistoryChange.hpp"

#include <algorithm>

namespace tessorin {

bool HistoryChange::applyTo(CheckRecords& records, std::set<QUuid>& removedHere) const {
  switch (kind) {
    case Kind::add:
      records.push_front(record);
      return true;
    case Kind::update: {
      const auto found = std::find_if(records.begin(), records.end(),
                                      [this](const CheckRecord& kept) { return kept.id == record.id; });
      if (found == records.end() || *found == record) return false;
      *found = record;
      return true;
    }
    case Kind::remove:
      removedHere.insert(id);
      return std::erase_if(records, [this](const CheckRecord& kept) { return kept.id == id; }) > 0;
    case Kind::save:
      return false;
  }
  return false;
}

}  // namespace tessorin
