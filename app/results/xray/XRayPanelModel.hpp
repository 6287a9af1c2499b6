#pragma once
// XRayPanelModel: the X-ray of the session's card as the panel shows it: the verdict
// chip, the findings most severe first, the empty-state text, and whether the brand row
// and the registers group show. The X-ray runs once whenever the session's device,
// claimed brand or stage changes, and again at local midnight, so a finding that
// depends on today's date comes and goes without a rescan; verdict, chip and findings
// always come from that one report. Main thread.

#include <functional>

#include <QColor>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "theme/Palette.hpp"

#include "session/check/CardSession.hpp"
#include "tessorin/identity/XRayReport.hpp"

namespace tessorin {

class XRayPanelModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::CardSession* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(QString verdictTitle READ verdictTitle NOTIFY reportChanged)
  Q_PROPERTY(QString chipSymbol READ chipSymbol NOTIFY reportChanged)
  Q_PROPERTY(QColor chipColor READ chipColor NOTIFY chipColorChanged)
  Q_PROPERTY(bool showsEmptyState READ showsEmptyState NOTIFY reportChanged)
  // XRaySignalItem values, most severe first; rows are kept by position.
  Q_PROPERTY(QVariantList findings READ findings NOTIFY reportChanged)
  Q_PROPERTY(int findingCount READ findingCount NOTIFY reportChanged)
  Q_PROPERTY(bool showsBrandRow READ showsBrandRow NOTIFY layoutChanged)
  Q_PROPERTY(bool showsRegisters READ showsRegisters NOTIFY layoutChanged)
  Q_PROPERTY(QString title READ title CONSTANT)
  Q_PROPERTY(QString subtitle READ subtitle CONSTANT)
  Q_PROPERTY(QString emptyStateText READ emptyStateText NOTIFY evaluated)
  Q_PROPERTY(QString declaredTitle READ declaredTitle NOTIFY evaluated)
  Q_PROPERTY(QString brandTitle READ brandTitle CONSTANT)
  Q_PROPERTY(QString registersTitle READ registersTitle CONSTANT)

 public:
  using Clock = std::function<QDateTime()>;

  explicit XRayPanelModel(QObject* parent = nullptr);

  CardSession* session() const { return session_; }
  void setSession(CardSession* session);
  // Tests set the time; the panel reads it at each evaluation and to find midnight.
  void setClock(Clock clock);

  const XRayReport& report() const { return report_; }
  XRayReport::Verdict verdict() const { return verdict_; }
  QString verdictTitle() const;
  QString chipSymbol() const;
  QColor chipColor() const;
  bool showsEmptyState() const { return report_.signals.empty(); }
  QVariantList findings() const;
  int findingCount() const { return static_cast<int>(sorted_.size()); }
  bool showsBrandRow() const { return showsBrandRow_; }
  bool showsRegisters() const { return showsRegisters_; }

  static QString title();
  static QString subtitle();
  // Names the device as what it is: a card, a drive or a disk image.
  QString emptyStateText() const;
  QString declaredTitle() const;
  static QString brandTitle();
  static QString registersTitle();

 Q_SIGNALS:
  void sessionChanged();
  void reportChanged();
  void layoutChanged();
  void chipColorChanged();
  // After every run of the X-ray, changed or not.
  void evaluated();

 private:
  void evaluate();
  void scheduleMidnight(const QDateTime& now);

  Palette palette_;  // the system's text shades
  QPointer<CardSession> session_;
  Clock clock_ = [] { return QDateTime::currentDateTime(); };
  QTimer midnight_;
  XRayReport report_;
  XRayReport::Verdict verdict_ = XRayReport::Verdict::noRedFlags;
  std::vector<XRaySignal> sorted_;
  CardSessionStage::Kind stage_ = CardSessionStage::Kind::idle;
  bool showsBrandRow_ = false;
  bool showsRegisters_ = false;
};

}  // namespace tessorin
