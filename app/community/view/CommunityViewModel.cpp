#include "community/view/CommunityViewModel.hpp"

#include <QFileInfo>
#include <QLocale>

#include "theme/Palette.hpp"
#include "community/rules/StoreTextRules.hpp"
#include "community/view/RegionNames.hpp"

namespace tessorin {

namespace {

QString grouped(std::size_t count) { return QLocale().toString(static_cast<qulonglong>(count)); }

}  // namespace

CommunityViewModel::CommunityViewModel(QObject* parent) : QObject(parent) {}

void CommunityViewModel::setStore(QObject* store) { setStore(qobject_cast<CommunityStore*>(store)); }

void CommunityViewModel::setStore(CommunityStore* store) {
  if (store_ == store) return;
  for (const auto& connection : connections_) disconnect(connection);
  connections_.clear();
  store_ = store;
  if (store_) {
    const auto contentFollows = [this] { Q_EMIT contentChanged(); };
    connections_.push_back(connect(store_, &CommunityStore::stateChanged, this, contentFollows));
    connections_.push_back(connect(store_, &CommunityStore::reportsChanged, this, contentFollows));
    connections_.push_back(connect(store_, &CommunityStore::noticeChanged, this, &CommunityViewModel::noticeChanged));
    for (auto changed : {&CommunityStore::reportsChanged, &CommunityStore::flagCountsChanged,
                         &CommunityStore::blockedAuthorsChanged, &CommunityStore::flaggedByMeChanged}) {
      connections_.push_back(connect(store_, changed, this, &CommunityViewModel::recompute));
    }
  }
  recompute();
  Q_EMIT storeChanged();
  Q_EMIT contentChanged();
  Q_EMIT noticeChanged();
}

QUrl CommunityViewModel::noticeFolder() const {
  const QString file = noticeFile();
  return file.isEmpty() ? QUrl() : QUrl::fromLocalFile(QFileInfo(file).absolutePath());
}

void CommunityViewModel::dismissNotice() {
  if (store_) store_->dismissNotice();
}

void CommunityViewModel::setSearch(const QString& search) {
  if (search_ == search) return;
  search_ = search;
  Q_EMIT searchChanged();
  recompute();
}

void CommunityViewModel::setCountryCode(const QString& code) {
  std::optional<QString> country;
  if (!code.isEmpty()) country = code;
  if (country_ == country) return;
  country_ = std::move(country);
  Q_EMIT countryChanged();
  Q_EMIT countryIndexChanged();
  recompute();
}

void CommunityViewModel::chooseCountry(int row) {
  if (row < 0 || row >= static_cast<int>(countryRows_.size())) return;
  setCountryCode(countryRows_[static_cast<std::size_t>(row)].code);
}

CommunityViewModel::Content CommunityViewModel::contentOf(const CommunityStore& store) {
  if (!store.isAvailable()) return Unavailable;
  using Kind = CommunityStore::State::Kind;
  const Kind kind = store.state().kind;
  if (kind == Kind::failed && store.reports().empty()) return Failed;
  if (kind == Kind::loading && store.reports().empty()) return Loading;
  return List;
}

QString CommunityViewModel::failureMessage() const {
  return content() == Failed ? store_->state().message : QString();
}

bool CommunityViewModel::refreshEnabled() const {
  return store_ && store_->isAvailable() && store_->state().kind != CommunityStore::State::Kind::loading;
}

int CommunityViewModel::countryIndex() const {
  const QString code = countryCode();
  for (std::size_t row = 0; row < countryRows_.size(); ++row) {
    if (countryRows_[row].code == code) return static_cast<int>(row);
  }
  return -1;
}

QString CommunityViewModel::emptyTitle() const {
  return search_.isEmpty() ? tr("No reports yet") : tr("No matching stores");
}

void CommunityViewModel::appeared() {
  if (store_ && store_->state().kind == CommunityStore::State::Kind::idle) refresh();
}

void CommunityViewModel::refresh() {
  // The store outlives every screen and guards its own coroutines; the fetch is left to
  // run to its end, so leaving the screen at once still ends in a list or a message.
  if (store_) store_->load();
}

void CommunityViewModel::toggle(const QString& id) {
  if (!expanded_.erase(id)) expanded_.insert(id);
  summaries_.setExpanded(expanded_);
}

void CommunityViewModel::recompute() {
  if (!store_) {
    summaries_.setSummaries({});
    tiles_.clear();
    countryRows_ = {{QString(), tr("All countries")}};
    Q_EMIT listChanged();
    Q_EMIT countryIndexChanged();
    return;
  }
  const std::vector<StoreReport> visible = store_->visibleReports();
  std::size_t fakes = 0;
  // A store sold on two platforms has two cards but is one store.
  std::set<QString> storeKeys;
  for (const StoreReport& report : visible) {
    if (report.verdict == CheckOutcome::Verdict::fake) ++fakes;
    storeKeys.insert(report.storeKey);
  }
  tiles_ = {
      {grouped(visible.size()), tr("checks shared"), QStringLiteral("checkmark.shield.fill"), Palette::indigo()},
      {grouped(fakes), tr("fakes found"), QStringLiteral("xmark.seal.fill"), Palette::red()},
      {grouped(storeKeys.size()), tr("stores"), QStringLiteral("storefront"), Palette::cyan()},
  };

  countryRows_ = {{QString(), tr("All countries")}};
  for (const QString& code : store_->countries()) {
    const QString name = regionName(code);
    countryRows_.push_back({code, flagEmoji(code) + QLatin1Char(' ') + (name.isEmpty() ? code : name)});
  }

  summaries_.setExpanded(expanded_);
  summaries_.setSummaries(store_->summaries(search_, country_));
  Q_EMIT listChanged();
  Q_EMIT countryIndexChanged();
}

}  // namespace tessorin
