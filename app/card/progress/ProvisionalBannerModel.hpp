#pragma once
// ProvisionalBannerModel: the presenter of the banner that states what the quick check
// has found so far: the verdict's symbol and colours, a headline ("So far: …" until the
// zone stage has finished, "Quick check: …" after), one explaining line (for a fake card
// the real capacity found so far) and up to three warning notes. A pure function of its
// input; main thread.

#include <vector>

#include <QColor>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "card/progress/ProvisionalBannerInput.hpp"

namespace tessorin {

struct BannerNote {
  Q_GADGET
  QML_VALUE_TYPE(bannerNote)
  Q_PROPERTY(QString text MEMBER text CONSTANT)
  Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
  Q_PROPERTY(QColor color MEMBER color CONSTANT)

 public:
  QString text;
  QString symbol;
  QColor color;

  friend bool operator==(const BannerNote&, const BannerNote&) = default;
};

class ProvisionalBannerModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::ProvisionalBannerInput input READ input WRITE setInput NOTIFY changed)
  Q_PROPERTY(QString symbol READ symbol NOTIFY changed)
  Q_PROPERTY(QColor iconColor READ iconColor NOTIFY changed)
  Q_PROPERTY(QColor tint READ tint NOTIFY changed)
  Q_PROPERTY(QString headline READ headline NOTIFY changed)
  Q_PROPERTY(QString explanation READ explanation NOTIFY changed)
  Q_PROPERTY(QVariantList notes READ notes NOTIFY changed)

 public:
  struct Looks {
    QString symbol;
    QColor iconColor;
    QColor tint;
    QString headline;
    QString explanation;  // empty: none
    std::vector<BannerNote> notes;
    friend bool operator==(const Looks&, const Looks&) = default;
  };

  explicit ProvisionalBannerModel(QObject* parent = nullptr);

  // advancedTestUnderWay: the banner stands above the advanced test's progress.
  static Looks looks(const QuickProbeResult& quick, bool advancedTestUnderWay = true);

  const ProvisionalBannerInput& input() const { return input_; }
  void setInput(const ProvisionalBannerInput& input);
  QString symbol() const { return looks_.symbol; }
  QColor iconColor() const { return looks_.iconColor; }
  QColor tint() const { return looks_.tint; }
  QString headline() const { return looks_.headline; }
  QString explanation() const { return looks_.explanation; }
  QVariantList notes() const;

 Q_SIGNALS:
  void changed();

 private:
  ProvisionalBannerInput input_;
  Looks looks_;
};

}  // namespace tessorin
