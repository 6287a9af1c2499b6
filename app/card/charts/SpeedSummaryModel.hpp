#pragma once
// SpeedSummaryModel: the presenter of the speed box the progress panels show once the
// speed zone has been measured: the grid's input, then for memory cards the markings the
// card lives up to followed by those this reader cannot judge (each badge with its own
// check or question mark), those it misses, a note when the reader may be what holds the
// card back, and the notes on write pauses, USB readers and what was measured. A pure
// function of its input; main thread.

#include <optional>
#include <vector>

#include <QColor>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "card/charts/BenchmarkGridInput.hpp"
#include "card/charts/SpeedSummaryInput.hpp"

namespace tessorin {

// One badge to draw: a marking's raw value ("u3"), its judgement ("met", "missed",
// "unknown") and its printed label ("U3").
struct MarkingBadge {
  Q_GADGET
  QML_VALUE_TYPE(markingBadge)
  Q_PROPERTY(QString marking MEMBER marking CONSTANT)
  Q_PROPERTY(QString check MEMBER check CONSTANT)
  Q_PROPERTY(QString label MEMBER label CONSTANT)

 public:
  QString marking;
  QString check;
  QString label;  // as printed: "U3"

  friend bool operator==(const MarkingBadge&, const MarkingBadge&) = default;
};

class SpeedSummaryModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::SpeedSummaryInput input READ input WRITE setInput NOTIFY changed)
  Q_PROPERTY(tessorin::BenchmarkGridInput gridInput READ gridInput NOTIFY changed)
  Q_PROPERTY(QString dataLostText READ dataLostText NOTIFY changed)
  Q_PROPERTY(bool showsLivesUpTo READ showsLivesUpTo NOTIFY changed)
  Q_PROPERTY(bool showsNoMarkingChip READ showsNoMarkingChip NOTIFY changed)
  Q_PROPERTY(QVariantList markings READ markings NOTIFY changed)
  // The application class's raw value ("a2"); empty when the rates reach none.
  Q_PROPERTY(QString appClass READ appClass NOTIFY changed)
  Q_PROPERTY(QString appClassLabel READ appClassLabel NOTIFY changed)
  Q_PROPERTY(QVariantList missed READ missed NOTIFY changed)
  Q_PROPERTY(QString readerNote READ readerNote NOTIFY changed)
  Q_PROPERTY(bool readerNoteWarns READ readerNoteWarns NOTIFY changed)
  Q_PROPERTY(QString pausesText READ pausesText NOTIFY changed)
  Q_PROPERTY(QString usbNote READ usbNote NOTIFY changed)
  Q_PROPERTY(QString measuredText READ measuredText NOTIFY changed)
  Q_PROPERTY(QString livesUpToTitle READ livesUpToTitle CONSTANT)
  Q_PROPERTY(QString doesNotReachTitle READ doesNotReachTitle CONSTANT)
  Q_PROPERTY(QString noMarkingText READ noMarkingText CONSTANT)

 public:
  // Every text and badge of the box; empty texts and lists are not shown.
  struct Looks {
    QString dataLostText;
    bool showsLivesUpTo = false;
    bool showsNoMarkingChip = false;
    std::vector<MarkingBadge> markings;  // those met, then those this reader cannot judge
    QString appClass;
    QString appClassLabel;
    std::vector<MarkingBadge> missed;
    QString readerNote;
    bool readerNoteWarns = false;  // amber on the legacy bus, else the secondary colour
    QString pausesText;
    QString usbNote;
    QString measuredText;
    friend bool operator==(const Looks&, const Looks&) = default;
  };

  explicit SpeedSummaryModel(QObject* parent = nullptr);

  static Looks looks(const SpeedSummaryInput& input);
  static std::optional<QString> readerNote(const SpeedRating& rating, std::optional<double> usbLink);

  const SpeedSummaryInput& input() const { return input_; }
  void setInput(const SpeedSummaryInput& input);
  BenchmarkGridInput gridInput() const { return {input_.zone}; }
  QString dataLostText() const { return looks_.dataLostText; }
  bool showsLivesUpTo() const { return looks_.showsLivesUpTo; }
  bool showsNoMarkingChip() const { return looks_.showsNoMarkingChip; }
  QVariantList markings() const;
  QString appClass() const { return looks_.appClass; }
  QString appClassLabel() const { return looks_.appClassLabel; }
  QVariantList missed() const;
  QString readerNote() const { return looks_.readerNote; }
  bool readerNoteWarns() const { return looks_.readerNoteWarns; }
  QString pausesText() const { return looks_.pausesText; }
  QString usbNote() const { return looks_.usbNote; }
  QString measuredText() const { return looks_.measuredText; }
  QString livesUpToTitle() const;
  QString doesNotReachTitle() const;
  QString noMarkingText() const;

 Q_SIGNALS:
  void changed();

 private:
  SpeedSummaryInput input_;
  Looks looks_;
};

}  // namespace tessorin
