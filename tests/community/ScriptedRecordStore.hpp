#pragma once
// ScriptedRecordStore: a record store whose answers a test writes, for the community
// store's own rules (paging bounds, errors of either query, overlapping loads) that no
// real back end can be made to produce on demand. Each query may wait a while first.

#include <chrono>
#include <functional>
#include <vector>

#include <qcoro/qcorotimer.h>

#include "community/store/RecordStore.hpp"

namespace tessorin {

class ScriptedRecordStore final : public RecordStore {
 public:
  std::function<QueryPage(const RecordQuery&)> answer = [](const RecordQuery&) { return QueryPage{}; };
  std::function<std::optional<Record>(const Record&)> saved = [](const Record& record) { return record; };
  std::function<std::chrono::milliseconds()> delay = [] { return std::chrono::milliseconds(0); };
  AccountStatus status = AccountStatus::available;
  bool usable = true;
  std::vector<RecordQuery> queries;
  std::vector<Record> saves;

  bool isUsable() const override { return usable; }

  QCoro::Task<QueryPage> query(RecordQuery query) override {
    queries.push_back(query);
    const auto wait = delay();
    const auto respond = answer;
    QCoro::Task<> sleeping = QCoro::sleepFor(wait);
    co_await sleeping;
    co_return respond(query);
  }

  QCoro::Task<std::optional<Record>> save(Record record) override {
    saves.push_back(record);
    co_return saved(record);
  }

  QCoro::Task<AccountStatus> accountStatus() override { co_return status; }
};

}  // namespace tessorin
