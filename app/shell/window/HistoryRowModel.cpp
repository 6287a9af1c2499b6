#include "shell/window/HistoryRowModel.hpp"

#include <QStringList>

#include "theme/text/DisplayFormat.hpp"
#include "theme/Palette.hpp"
#include "community/rules/StoreTextRules.hpp"
#include "shell/window/CardRowModel.hpp"

namespace tessorin {

HistoryRowModel::HistoryRowModel(QObject* parent) : QObject(parent) {}

void HistoryRowModel::setHistory(QObject* history) {
  auto* next = qobject_cast<History*>(history);
  if (next == history_) return;
  history_ = next;
  Q_EMIT historyChanged();
}

void HistoryRowModel::setRecord(const QVariant& record) {
  if (!record.canConvert<CheckRecord>()) return;
  CheckRecord next = record.value<CheckRecord>();
  if (next == record_) return;
  record_ = std::move(next);
  Q_EMIT recordChanged();
}

QString HistoryRowModel::verdictSymbol() const { return CardRowModel::verdictSymbol(record_.verdict); }

QColor HistoryRowModel::verdictColor() const { return Palette::verdictColor(record_.verdict); }

QString HistoryRowModel::verdictTitle() const { return Palette::title(record_.verdict); }

QString HistoryRowModel::capacity() const { return DisplayFormat::formatCapacity(record_.advertisedBytes); }

void HistoryRowModel::remove() {
  if (history_) history_->remove(record_.id);
}

QString HistoryRowModel::summary(const CheckRecord& record) {
  QStringList pieces;
  if (record.brandName) {
    pieces.append(QString::fromStdString(*record.brandName));
  } else if (record.brand) {
    pieces.append(DisplayFormat::brandLabel(*record.brand));
  }
  if (record.realBytes) pieces.append(tr("really %1").arg(DisplayFormat::roundedSizeText(*record.realBytes)));
  if (record.writeSpeed && record.readSpeed) {
    pieces.append(tr("write %1, read %2")
                      .arg(DisplayFormat::formatSpeed(*record.writeSpeed), DisplayFormat::formatSpeed(*record.readSpeed)));
  }
  pieces.append(record.method == CheckOutcome::Method::full ? tr("advanced test") : tr("quick check"));
  return pieces.join(QStringLiteral(" · "));
}

bool HistoryRowModel::hasStore(const CheckRecord& record) {
  if (!record.purchase) return false;
  const QString store = QString::fromStdString(record.purchase->store);
  return std::any_of(store.begin(), store.end(), [](QChar c) { return c != u' ' && c != u'\t'; });
}

QString HistoryRowModel::storeText(const Purchase& purchase) {
  return QStringLiteral("%1 · %2 %3")
      .arg(QString::fromStdString(purchase.store), purchase.platform.label(),
           flagEmoji(QString::fromStdString(purchase.country).toUpper()));
}

QString HistoryRowModel::dateText(const QDateTime& date) { return DisplayFormat::abbreviatedDateTimeText(date); }

}  // namespace tessorin
