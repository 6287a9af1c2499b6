#include "community/view/PurchasePanelModel.hpp"

#include "theme/Palette.hpp"
#include "community/store/CommunityError.hpp"
#include "community/store/RecordStore.hpp"
#include "community/rules/StoreTextRules.hpp"
#include "community/view/MoneyText.hpp"
#include "community/view/PriceText.hpp"
#include "community/view/RegionNames.hpp"
#include "theme/GadgetList.hpp"
#include "session/AppModel.hpp"

namespace tessorin {

PurchasePanelModel::PurchasePanelModel(QObject* parent) : QObject(parent) {
  for (auto changed : {&PurchasePanelModel::formChanged, &PurchasePanelModel::shareStateChanged,
                       &PurchasePanelModel::recordChanged, &PurchasePanelModel::storeChanged}) {
    connect(this, changed, this, &PurchasePanelModel::buttonsChanged);
  }
}

void PurchasePanelModel::setSession(QObject* session) {
  CardSession* card = qobject_cast<CardSession*>(session);
  if (session_ == card) return;
  disconnect(recordConnection_);
  session_ = card;
  recordID_.reset();
  if (session_) recordConnection_ = connect(session_, &CardSession::recordChanged, this, &PurchasePanelModel::followRecord);
  Q_EMIT sessionChanged();
  Q_EMIT storeChanged();
  followRecord();
}

CommunityStore* PurchasePanelModel::store() const {
  if (store_) return store_;
  // The application model owns its sessions and holds the one community store.
  if (session_) {
    if (const auto* model = qobject_cast<AppModel*>(session_->parent())) return model->community();
  }
  return nullptr;
}

void PurchasePanelModel::setStore(QObject* store) {
  CommunityStore* community = qobject_cast<CommunityStore*>(store);
  if (store_ == community) return;
  store_ = community;
  Q_EMIT storeChanged();
}

void PurchasePanelModel::followRecord() {
  // Another check's record (the card was checked again) starts the form afresh.
  const std::optional<CheckRecord>& record = session_ ? session_->record() : std::nullopt;
  std::optional<QUuid> id;
  if (record) id = record->id;
  if (recordID_ && id && *recordID_ != *id) {
    purchase_ = Purchase();
    priceText_.clear();
    Q_EMIT formChanged();
    recordID_ = id;
    appear();
  }
  if (id) recordID_ = id;
  Q_EMIT recordChanged();
}

void PurchasePanelModel::setStoreName(const QString& name) {
  if (storeName() == name) return;
  purchase_.store = name.toStdString();
  formEdited();
}

void PurchasePanelModel::setPlatformIndex(int index) {
  if (index < 0 || index >= static_cast<int>(Platform::caseCount) || index == platformIndex()) return;
  purchase_.platform = Platform::allCases()[static_cast<std::size_t>(index)];
  formEdited();
}

void PurchasePanelModel::setCountry(const QString& code) {
  if (country() == code) return;
  purchase_.country = code.toStdString();
  formEdited();
}

void PurchasePanelModel::setCity(const QString& city) {
  if (this->city() == city) return;
  purchase_.city = city.toStdString();
  formEdited();
}

void PurchasePanelModel::setPriceText(const QString& text) {
  if (priceText_ == text) return;
  priceText_ = text;
  formEdited();
}

void PurchasePanelModel::setCurrency(const QString& code) {
  if (currency() == code) return;
  purchase_.currency = code.toStdString();
  formEdited();
}

bool PurchasePanelModel::alreadyShared() const {
  return session_ && session_->record() && session_->record()->sharedRecordName.has_value();
}

std::vector<MetricValue> PurchasePanelModel::sharedLines() const {
  if (!alreadyShared()) return {};
  std::vector<MetricValue> lines;
  const auto add = [&lines](const QString& title, const QString& value) {
    if (!value.isEmpty()) lines.push_back({title, value});
  };
  add(storeLabel(), storeName());
  add(brandLabel(), QString::fromStdString(session_->brandName().value_or(std::string())));
  add(platformLabel(), purchase_.platform.label());
  if (const QString name = regionName(country()); !name.isEmpty()) {
    add(countryLabel(), flagEmoji(country()) + QLatin1Char(' ') + name);
  } else {
    add(countryLabel(), country());
  }
  add(cityLabel(), city());
  if (purchase_.price) add(priceLabel(), moneyText(*purchase_.price, currency()));
  return lines;
}

QVariantList PurchasePanelModel::sharedLineList() const { return gadgetList(sharedLines()); }

bool PurchasePanelModel::available() const {
  const CommunityStore* community = store();
  return community != nullptr && community->isAvailable();
}

bool PurchasePanelModel::shareEnabled() const {
  // Line breaks count as content here; the store refuses a name that cleans to nothing.
  const QString name = storeName();
  const bool blank = std::all_of(name.begin(), name.end(), [](QChar c) { return c == u' ' || c == u'\t'; });
  return !alreadyShared() && !sharing_ && !blank && available();
}

QColor PurchasePanelModel::warningColor() { return Palette::amber().darker(170); }

QStringList PurchasePanelModel::platformLabels() {
  QStringList labels;
  for (const Platform platform : Platform::allCases()) labels.append(platform.label());
  return labels;
}

void PurchasePanelModel::appear() {
  if (!session_ || !session_->record() || !session_->record()->purchase) return;
  purchase_ = *session_->record()->purchase;
  const std::optional<double>& price = purchase_.price;
  priceText_ = price ? writtenPrice(*price, currency()) : QString();
  Q_EMIT formChanged();
}

void PurchasePanelModel::savePurchase() {
  purchase_.price = readPrice(priceText_);
  if (session_) session_->savePurchase(purchase_);
}

// What the user types after saving is not saved yet: the button is live again.
void PurchasePanelModel::formEdited() {
  Q_EMIT formChanged();
  if (!saved_) return;
  saved_ = false;
  Q_EMIT savedChanged();
}

void PurchasePanelModel::saveToHistory() {
  savePurchase();
  if (saved_) return;
  saved_ = true;
  Q_EMIT savedChanged();
}

void PurchasePanelModel::setSharing(bool sharing) {
  if (sharing_ == sharing) return;
  sharing_ = sharing;
  Q_EMIT shareStateChanged();
}

void PurchasePanelModel::setShareOutcome(std::optional<QString> error, bool needsICloud) {
  if (shareError_ == error && needsICloud_ == needsICloud) return;
  shareError_ = std::move(error);
  needsICloud_ = needsICloud;
  Q_EMIT shareStateChanged();
}

void PurchasePanelModel::share() {
  savePurchase();
  if (!session_ || !session_->record()) return;
  const CheckRecord record = *session_->record();
  setSharing(true);
  setShareOutcome(std::nullopt, false);
  // Not awaited: the coroutine runs on after the panel, and after the session, is gone.
  sendShare(this, session_, session_->history(), store(), record, purchase_);
}

QCoro::Task<> PurchasePanelModel::sendShare(QPointer<PurchasePanelModel> panel, QPointer<CardSession> session,
                                            QPointer<History> history, QPointer<CommunityStore> store,
                                            CheckRecord record, Purchase purchase) {
  std::optional<QString> error;
  bool needsICloud = false;
  try {
    if (!store) throw CommunityError(CommunityError::unavailable);
    QCoro::Task<QString> sharing = store->share(record, purchase);
    const QString name = co_await sharing;
    // By id: a check that finished meanwhile holds the session's record now, and the
    // record sent stays in the history after its session is gone.
    if (session) {
      session->updateRecord(record.id, name.toStdString());
    } else if (history) {
      history->markShared(record.id, name.toStdString());
    }
  } catch (const CommunityError& failure) {
    needsICloud = failure == CommunityError::notSignedIn;
    if (!needsICloud) error = failure.description();
  } catch (const RecordStoreError& failure) {
    error = failure.description;
  } catch (const std::exception& failure) {
    error = QString::fromUtf8(failure.what());
  } catch (...) {
    error = tr("The report couldn’t be shared.");
  }
  if (!panel) co_return;
  panel->setShareOutcome(std::move(error), needsICloud);
  panel->setSharing(false);
}

}  // namespace tessorin
