#include "results/xray/XRayPanelModel.hpp"

#include <chrono>

#include "results/xray/XRaySignalItem.hpp"
#include "tessorin/identity/XRay.hpp"

namespace tessorin {

namespace {

std::chrono::year_month_day calendarDate(const QDate& date) {
  return std::chrono::year_month_day{std::chrono::year{date.year()}, std::chrono::month{static_cast<unsigned>(date.month())},
                                     std::chrono::day{static_cast<unsigned>(date.day())}};
}

}  // namespace

XRayPanelModel::XRayPanelModel(QObject* parent) : QObject(parent) {
  midnight_.setSingleShot(true);
  // A coarse timer may fire a little early, before the date has turned.
  midnight_.setTimerType(Qt::PreciseTimer);
  connect(&midnight_, &QTimer::timeout, this, &XRayPanelModel::evaluate);
  connect(&palette_, &Palette::systemColorsChanged, this, &XRayPanelModel::chipColorChanged);
}

void XRayPanelModel::setSession(CardSession* session) {
  if (session == session_) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = session;
  if (session_) {
    connect(session_, &CardSession::deviceChanged, this, &XRayPanelModel::evaluate);
    connect(session_, &CardSession::claimedBrandChanged, this, &XRayPanelModel::evaluate);
    // Progress within a stage changes nothing the X-ray reads.
    connect(session_, &CardSession::stageChanged, this, [this] {
      if (session_->stage().kind != stage_) evaluate();
    });
  }
  evaluate();
  Q_EMIT sessionChanged();
}

void XRayPanelModel::setClock(Clock clock) {
  clock_ = std::move(clock);
  evaluate();
}

void XRayPanelModel::evaluate() {
  if (!session_) {
    midnight_.stop();
    return;
  }
  const QDateTime now = clock_();
  const CardDevice& device = session_->device();
  XRayReport report = XRay::analyze(device, session_->claimedBrand(), calendarDate(now.date()));
  stage_ = session_->stage().kind;
  scheduleMidnight(now);

  if (report != report_) {
    report_ = std::move(report);
    verdict_ = report_.verdict();
    sorted_ = report_.sortedSignals();
    Q_EMIT reportChanged();
    Q_EMIT chipColorChanged();
  }
  const bool showsRegisters = device.registers.has_value();
  const bool showsBrandRow = showsRegisters && session_->stage().isAtRest();
  if (showsRegisters != showsRegisters_ || showsBrandRow != showsBrandRow_) {
    showsRegisters_ = showsRegisters;
    showsBrandRow_ = showsBrandRow;
    Q_EMIT layoutChanged();
  }
  Q_EMIT evaluated();
}

void XRayPanelModel::scheduleMidnight(const QDateTime& now) {
  const qint64 untilMidnight = now.msecsTo(now.date().addDays(1).startOfDay());
  midnight_.start(static_cast<int>(std::clamp<qint64>(untilMidnight + 1, 1, 24 * 3600 * 1000 + 3600 * 1000)));
}

QString XRayPanelModel::verdictTitle() const { return Palette::title(verdict_); }

QString XRayPanelModel::chipSymbol() const {
  switch (verdict_) {
    case XRayReport::Verdict::noRedFlags: return QStringLiteral("checkmark");
    case XRayReport::Verdict::suspicious:
    case XRayReport::Verdict::likelyFake: return QStringLiteral("exclamationmark.triangle.fill");
    case XRayReport::Verdict::notAnalyzed: return QStringLiteral("eye.slash");
  }
  return {};
}

QColor XRayPanelModel::chipColor() const {
  switch (verdict_) {
    case XRayReport::Verdict::noRedFlags: return Palette::green();
    case XRayReport::Verdict::suspicious: return Palette::amber();
    case XRayReport::Verdict::likelyFake: return Palette::red();
    case XRayReport::Verdict::notAnalyzed: return palette_.secondary();
  }
  return {};
}

QVariantList XRayPanelModel::findings() const {
  QVariantList list;
  for (const XRaySignal& signal : sorted_) list << QVariant::fromValue(XRaySignalItem{signal});
  return list;
}

QString XRayPanelModel::title() { return tr("X-ray"); }
QString XRayPanelModel::subtitle() { return tr("instant, nothing written"); }
QString XRayPanelModel::emptyStateText() const {
  if (session_ && session_->device().connection.kind == CardDevice::Connection::Kind::diskImage) {
    return tr("Nothing stands out. The X-ray reads only what the disk image says about itself, so the tests above "
              "have the final word.");
  }
  if (session_ && session_->isUSBDrive()) {
    return tr("Nothing stands out. The X-ray reads only what the drive says about itself, so the tests above have "
              "the final word.");
  }
  return tr("Nothing stands out. The X-ray reads only what the card says about itself, so the tests above have the "
            "final word.");
}
QString XRayPanelModel::declaredTitle() const {
  if (session_ && session_->device().connection.kind == CardDevice::Connection::Kind::diskImage) {
    return tr("What the disk image reports");
  }
  if (session_ && session_->isUSBDrive()) return tr("What the drive reports");
  return tr("What the card and reader report");
}
QString XRayPanelModel::brandTitle() { return tr("Brand on the label"); }
QString XRayPanelModel::registersTitle() { return tr("Card registers"); }

}  // namespace tessorin
