#include "community/store/CommunityStore.hpp"

#include <algorithm>
#include <unordered_map>

#include <QCoreApplication>
#include <QStringList>
#include <QVariant>

#include "community/rules/ReportValidator.hpp"
#include "community/rules/StoreTextRules.hpp"
#include "community/store/CommunityError.hpp"

namespace tessorin {

namespace {

const QString flaggedReportsKey = QStringLiteral("FlaggedReports");
const QString blockedAuthorsKey = QStringLiteral("BlockedAuthors");

// A list of texts; a lone text too, since the settings file cannot tell a one-element
// list from a text and reads it back as one.
std::set<QString> readTextSet(QSettings& settings, const QString& key) {
  const QVariant value = settings.value(key);
  std::set<QString> texts;
  if (value.metaType().id() == QMetaType::QString) {
    if (!value.toString().isEmpty()) texts.insert(value.toString());
  } else if (value.metaType().id() == QMetaType::QStringList) {
    for (const QString& text : value.toStringList()) texts.insert(text);
  } else if (value.metaType().id() == QMetaType::QVariantList) {
    for (const QVariant& element : value.toList()) {
      if (element.metaType().id() != QMetaType::QString) return {};
      texts.insert(element.toString());
    }
  }
  return texts;
}

void writeTextSet(QSettings& settings, const QString& key, const std::set<QString>& texts) {
  settings.setValue(key, QStringList(texts.begin(), texts.end()));
  settings.sync();
}

}  // namespace

CommunityStore::CommunityStore(QSettings& settings, std::unique_ptr<RecordStore> records, QObject* parent)
    : QObject(parent), settings_(settings), records_(std::move(records)) {
  blockedAuthors_ = readTextSet(settings_, blockedAuthorsKey);
  flaggedByMe_ = readTextSet(settings_, flaggedReportsKey);
  isAvailable_ = records_ != nullptr && records_->isUsable();
  if (records_) takeNotice();
}

void CommunityStore::takeNotice() {
  if (const auto notice = records_->takeNotice(); notice && *notice != notice_) {
    notice_ = *notice;
    Q_EMIT noticeChanged();
  }
}

void CommunityStore::dismissNotice() {
  if (notice_.text.isEmpty()) return;
  notice_ = {};
  Q_EMIT noticeChanged();
}

CommunityStore::~CommunityStore() = default;

void CommunityStore::setState(State state) {
  if (state_ == state) return;
  state_ = std::move(state);
  Q_EMIT stateChanged();
}

void CommunityStore::setReports(std::vector<StoreReport> reports) {
  if (reports_ == reports) return;
  reports_ = std::move(reports);
  Q_EMIT reportsChanged();
}

void CommunityStore::setFlagCounts(std::map<QString, int> counts) {
  if (flagCounts_ == counts) return;
  flagCounts_ = std::move(counts);
  Q_EMIT flagCountsChanged();
}

QCoro::Task<std::vector<StoreReport>> CommunityStore::fetchReports() {
  const std::weak_ptr<bool> alive = alive_;
  std::vector<StoreReport> collected;
  RecordQuery query{recordtypes::storeReport, true, reportPageSize, std::nullopt};
  for (int page = 1;; ++page) {
    QCoro::Task<QueryPage> asked = records_->query(query);
    const QueryPage answer = co_await asked;
    if (alive.expired()) co_return collected;
    int read = 0;
    for (const RecordResult& result : answer.results) {
      const Record* record = std::get_if<Record>(&result);
      if (record == nullptr) continue;
      if (auto report = StoreReport::fromRecord(*record)) {
        collected.push_back(std::move(*report));
        ++read;
      }
    }
    // A page that gave nothing, or a server that never stops sending cursors, ends the
    // fetch as surely as the last page does.
    if (!answer.cursor || static_cast<int>(collected.size()) >= reportLimit || read == 0 || page >= pageLimit) break;
    query.cursor = answer.cursor;
  }
  co_return collected;
}

QCoro::Task<std::map<QString, int>> CommunityStore::fetchFlagCounts() {
  const std::weak_ptr<bool> alive = alive_;
  // One author counts once per report however often they flagged it, and a flag without
  // an author counts for nothing: otherwise one user could hide any report for everyone.
  // The server lists the flags grouped per report, so every page is read (within the
  // fetch bounds): flags on other reports cannot push a report's own out of the count.
  std::map<QString, std::set<QString>> authors;
  RecordQuery query{recordtypes::reportFlag, false, flagLimit, std::nullopt};
  for (int page = 1;; ++page) {
    QCoro::Task<QueryPage> asked = records_->query(query);
    const QueryPage answer = co_await asked;
    if (alive.expired()) co_return {};
    int counted = 0;
    for (const RecordResult& result : answer.results) {
      if (counted++ == flagLimit) break;
      const Record* record = std::get_if<Record>(&result);
      if (record == nullptr || !record->creator || record->creator->isEmpty()) continue;
      if (const auto report = record->reference(QStringLiteral("report"))) {
        authors[report->recordName].insert(*record->creator);
      }
    }
    if (!answer.cursor || answer.results.empty() || page >= pageLimit) break;
    query.cursor = answer.cursor;
  }
  std::map<QString, int> counts;
  for (const auto& [report, names] : authors) counts[report] = static_cast<int>(names.size());
  co_return counts;
}

QCoro::Task<> CommunityStore::load() {
  if (!isAvailable_) {
    setState({State::Kind::unavailable, {}});
    co_return;
  }
  const quint64 generation = ++loadGeneration_;
  const std::weak_ptr<bool> alive = alive_;
  const auto superseded = [&] { return alive.expired() || generation != loadGeneration_; };
  setState({State::Kind::loading, {}});

  std::vector<StoreReport> collected;
  std::map<QString, int> counts;
  bool reportsFetched = false;
  try {
    QCoro::Task<std::vector<StoreReport>> fetching = fetchReports();
    collected = co_await fetching;
    reportsFetched = true;
    if (superseded()) co_return;
    QCoro::Task<std::map<QString, int>> counting = fetchFlagCounts();
    counts = co_await counting;
  } catch (const RecordStoreError& error) {
    if (superseded()) co_return;
    if (error.code != RecordErrorCode::unknownItem) {
      setState(State::failed(error.description));
      co_return;
    }
    if (!reportsFetched) {
      setReports({});
      setState({State::Kind::loaded, {}});
      co_return;
    }
    // No flag was ever filed: the reports stand, with no flags against them.
  } catch (const std::exception& error) {
    if (!superseded()) setState(State::failed(QString::fromUtf8(error.what())));
    co_return;
  }
  if (superseded()) co_return;
  setReports(std::move(collected));
  setFlagCounts(std::move(counts));
  setState({State::Kind::loaded, {}});
  takeNotice();
}

QCoro::Task<QString> CommunityStore::share(CheckRecord check, Purchase purchase) {
  if (!isAvailable_) throw CommunityError(CommunityError::unavailable);
  const std::weak_ptr<bool> alive = alive_;
  QCoro::Task<AccountStatus> asking = records_->accountStatus();
  const AccountStatus status = co_await asking;
  if (alive.expired()) co_return QString();
  if (status != AccountStatus::available) throw CommunityError(CommunityError::notSignedIn);

  const Record record = makeStoreReportRecord(check, purchase, QCoreApplication::applicationVersion());
  std::optional<Record> saved;
  try {
    QCoro::Task<std::optional<Record>> saving = records_->save(record);
    saved = co_await saving;
  } catch (const RecordStoreError& error) {
    if (error.code == RecordErrorCode::notAuthenticated) throw CommunityError(CommunityError::notSignedIn);
    throw;
  }
  if (!saved) {
    throw RecordStoreError(RecordErrorCode::internalError,
                           QCoreApplication::translate("CommunityStore", "The report was sent, but no record came back."));
  }
  if (alive.expired()) co_return saved->recordName;
  takeNotice();
  if (auto report = StoreReport::fromRecord(*saved)) {
    reports_.insert(reports_.begin(), std::move(*report));
    Q_EMIT reportsChanged();
  }
  co_return saved->recordName;
}

QCoro::Task<> CommunityStore::flag(StoreReport report) {
  flaggedByMe_.insert(report.id);
  Q_EMIT flaggedByMeChanged();
  writeTextSet(settings_, flaggedReportsKey, flaggedByMe_);
  if (!isAvailable_) co_return;
  try {
    QCoro::Task<std::optional<Record>> saving = records_->save(makeReportFlagRecord(report));
    co_await saving;
  } catch (...) {
    // The report is hidden here already; a flag that did not reach the others is not
    // worth an alert.
  }
}

void CommunityStore::block(const QString& author) {
  blockedAuthors_.insert(author);
  Q_EMIT blockedAuthorsChanged();
  writeTextSet(settings_, blockedAuthorsKey, blockedAuthors_);
}

bool CommunityStore::isVisible(const StoreReport& report) const {
  if (flaggedByMe_.count(report.id) > 0) return false;
  if (const auto found = flagCounts_.find(report.id); found != flagCounts_.end() && found->second >= hidingFlagCount) {
    return false;
  }
  if (!report.author) return true;
  return blockedAuthors_.count(*report.author) == 0;
}

std::vector<StoreReport> CommunityStore::visibleReports() const {
  std::vector<StoreReport> visible;
  std::copy_if(reports_.begin(), reports_.end(), std::back_inserter(visible),
               [this](const StoreReport& report) { return isVisible(report); });
  return visible;
}

std::vector<StoreSummary> CommunityStore::summaries(const QString& search, const std::optional<QString>& country) const {
  const QString key = normalizedStoreKey(search);
  std::vector<StoreSummary> groups;
  std::unordered_map<QString, std::size_t> groupOfKey;
  for (StoreReport& report : visibleReports()) {
    if (!key.isEmpty() && !report.storeKey.contains(key)) continue;
    if (country && report.country != *country) continue;
    const QString groupKey = report.storeKey + QLatin1Char('|') + QString::fromUtf8(report.platform.rawValue());
    auto [found, added] = groupOfKey.try_emplace(groupKey, groups.size());
    if (added) {
      groups.push_back({});
      groups.back().id = groupKey;
    }
    groups[found->second].reports.push_back(std::move(report));
  }
  for (StoreSummary& summary : groups) {
    std::stable_sort(summary.reports.begin(), summary.reports.end(),
                     [](const StoreReport& a, const StoreReport& b) { return a.date > b.date; });
    summary.store = summary.reports.front().store;
    summary.platform = summary.reports.front().platform;
    std::set<QString> codes;
    for (const StoreReport& report : summary.reports) codes.insert(report.country);
    summary.countries = QStringList(codes.begin(), codes.end());
  }
  std::stable_sort(groups.begin(), groups.end(), [](const StoreSummary& a, const StoreSummary& b) {
    if (a.fakeCount() != b.fakeCount()) return a.fakeCount() > b.fakeCount();
    if (a.reports.size() != b.reports.size()) return a.reports.size() > b.reports.size();
    return a.latestDate() > b.latestDate();
  });
  return groups;
}

QStringList CommunityStore::countries() const {
  std::set<QString> codes;
  for (const StoreReport& report : visibleReports()) {
    if (!report.country.isEmpty()) codes.insert(report.country);
  }
  return QStringList(codes.begin(), codes.end());
}

}  // namespace tessorin
