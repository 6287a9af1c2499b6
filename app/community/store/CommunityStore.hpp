#pragma once
// CommunityStore: the model of the community. It knows whether the record store can be
// used at all, fetches the store reports and their flags, shares a finished check as a
// new report, and keeps the user's own moderation (reports flagged, authors hidden) in
// the settings "FlaggedReports" and "BlockedAuthors". Which reports are visible and how
// they are summarised per store are computed from its state on every call.
//
// Main thread only: the operations are coroutines that resume there. Every property
// notifies by its own signal, equal values silently, except that flag, block and share
// always notify. Overlapping loads are allowed; only the newest one assigns its result.

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include <QObject>
#include <QSettings>
#include <QString>
#include <qcoro/qcorotask.h>

#include "community/store/RecordStore.hpp"
#include "community/store/StoreReport.hpp"
#include "community/store/StoreSummary.hpp"

namespace tessorin {

class CommunityStore : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool isAvailable READ isAvailable CONSTANT)
  Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
  Q_PROPERTY(QString noticeFile READ noticeFile NOTIFY noticeChanged)

 public:
  struct State {
    enum class Kind { idle, loading, loaded, failed, unavailable };
    Kind kind = Kind::idle;
    QString message;  // failed only

    static State failed(QString message) { return {Kind::failed, std::move(message)}; }
    friend bool operator==(const State& a, const State& b) {
      return a.kind == b.kind && (a.kind != Kind::failed || a.message == b.message);
    }
  };

  // Fetch bounds: report pages, the report count after which no page is asked for, the
  // flags of one page, and the pages of one fetch (of reports, and of flags).
  static constexpr int reportPageSize = 400;
  static constexpr int reportLimit = 2000;
  static constexpr int flagLimit = 2000;
  static constexpr int pageLimit = 10;
  // Distinct flagging authors that hide a report for everyone.
  static constexpr int hidingFlagCount = 3;

  // settings must outlive the store; records is the back end, decided by the caller.
  CommunityStore(QSettings& settings, std::unique_ptr<RecordStore> records, QObject* parent = nullptr);
  ~CommunityStore() override;

  const State& state() const { return state_; }
  const std::vector<StoreReport>& reports() const { return reports_; }
  // Distinct authors who flagged each report.
  const std::map<QString, int>& flagCounts() const { return flagCounts_; }
  const std::set<QString>& blockedAuthors() const { return blockedAuthors_; }
  const std::set<QString>& flaggedByMe() const { return flaggedByMe_; }
  bool isAvailable() const { return isAvailable_; }
  // What the user is to be told once about the record store itself (a damaged file set
  // aside); "" when nothing, or once dismissed.
  const QString& notice() const { return notice_.text; }
  // The file the notice speaks of; "" when none.
  const QString& noticeFile() const { return notice_.file; }
  void dismissNotice();

  // Fetches the reports and their flags; the outcome is left in the state.
  QCoro::Task<> load();
  // The saved report's record name. Throws CommunityError, or the record store's error.
  QCoro::Task<QString> share(CheckRecord check, Purchase purchase);
  // Hides the report at once; the flag is sent when the community can be used, and a
  // failure to send it is dropped.
  QCoro::Task<> flag(StoreReport report);
  void block(const QString& author);

  bool isVisible(const StoreReport& report) const;
  std::vector<StoreReport> visibleReports() const;
  std::vector<StoreSummary> summaries(const QString& search, const std::optional<QString>& country) const;
  QStringList countries() const;

 Q_SIGNALS:
  void stateChanged();
  void reportsChanged();
  void flagCountsChanged();
  void blockedAuthorsChanged();
  void flaggedByMeChanged();
  void noticeChanged();

 private:
  void setState(State state);
  void setReports(std::vector<StoreReport> reports);
  void setFlagCounts(std::map<QString, int> counts);
  void takeNotice();
  // Pages of reports, newest first, within the fetch bounds.
  QCoro::Task<std::vector<StoreReport>> fetchReports();
  QCoro::Task<std::map<QString, int>> fetchFlagCounts();

  QSettings& settings_;
  std::unique_ptr<RecordStore> records_;
  State state_;
  std::vector<StoreReport> reports_;
  std::map<QString, int> flagCounts_;
  std::set<QString> blockedAuthors_;
  std::set<QString> flaggedByMe_;
  bool isAvailable_ = false;
  RecordStoreNotice notice_;
  // Each load takes the next number; only the newest may assign its result.
  quint64 loadGeneration_ = 0;
  // Dropped with the store, so that a coroutine resuming afterwards touches nothing.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tessorin
