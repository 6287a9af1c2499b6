#pragma once
// StageTrackModel: the presenter of the row of a check's three stages ("Real capacity",
// "Speed", "Advanced test"): for each step its symbol, its style, whether it is under way
// and whether it is struck through because the capacity stage was skipped; and the colour
// of the two bars between them. A pure function of its two properties. Main thread.

#include <array>
#include <optional>

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

struct StageTrackStep {
  Q_GADGET
  QML_VALUE_TYPE(stageTrackStep)
  Q_PROPERTY(QString title MEMBER title CONSTANT)
  Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
  Q_PROPERTY(int style MEMBER style CONSTANT)
  Q_PROPERTY(bool current MEMBER current CONSTANT)
  Q_PROPERTY(bool struckThrough MEMBER struckThrough CONSTANT)

 public:
  QString title;
  QString symbol;
  int style = 2;  // a StageTrackModel::Style
  bool current = false;  // semibold, primary text
  bool struckThrough = false;

  friend bool operator==(const StageTrackStep&, const StageTrackStep&) = default;
};

class StageTrackModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(int current READ current WRITE setCurrent NOTIFY changed)
  Q_PROPERTY(bool probesSkipped READ probesSkipped WRITE setProbesSkipped NOTIFY changed)
  Q_PROPERTY(QVariantList steps READ steps NOTIFY changed)
  Q_PROPERTY(bool firstBarGreen READ firstBarGreen NOTIFY changed)
  Q_PROPERTY(bool secondBarGreen READ secondBarGreen NOTIFY changed)

 public:
  enum Step { Capacity = 0, Speed = 1, Advanced = 2 };
  Q_ENUM(Step)
  // How a step's icon is filled.
  enum Style { AccentGradient, Green, Tertiary };
  Q_ENUM(Style)

  struct Looks {
    std::array<StageTrackStep, 3> steps;
    bool firstBarGreen = false;
    bool secondBarGreen = false;
  };

  explicit StageTrackModel(QObject* parent = nullptr);

  // No step for any other raw value.
  static std::optional<Step> stepFromRawValue(int raw);
  static Looks looks(Step current, bool probesSkipped);

  int current() const { return current_; }
  void setCurrent(int current);
  bool probesSkipped() const { return probesSkipped_; }
  void setProbesSkipped(bool skipped);
  QVariantList steps() const;
  bool firstBarGreen() const { return looks_.firstBarGreen; }
  bool secondBarGreen() const { return looks_.secondBarGreen; }

 Q_SIGNALS:
  void changed();

 private:
  void update();

  int current_ = Capacity;
  bool probesSkipped_ = false;
  Looks looks_;
};

}  // namespace tessorin
