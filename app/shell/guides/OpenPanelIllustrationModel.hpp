#pragma once
// OpenPanelIllustrationModel: what the mock folder dialog of the folder-access guide says
// and where its pointer rests in each phase. The offsets fit the 420 × 196 frame the
// guide gives the drawing; the drawing does not scale to other sizes.
//
// Main thread only; it holds no state.

#include <QObject>
#include <QPointF>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class OpenPanelIllustrationModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QString locationsText READ locationsText CONSTANT)
  Q_PROPERTY(QString computerText READ computerText CONSTANT)
  Q_PROPERTY(QString cancelText READ cancelText CONSTANT)
  Q_PROPERTY(QString allowText READ allowText CONSTANT)

 public:
  // Pointing at the card in the sidebar, then at Allow, and round again.
  enum class Phase { Card, Allow };
  Q_ENUM(Phase)

  explicit OpenPanelIllustrationModel(QObject* parent = nullptr);

  QString locationsText() const;
  QString computerText() const;
  QString cancelText() const;
  QString allowText() const;

  // From the frame's top-left corner to the pointer's tip. QML hands phases as int.
  static QPointF pointerOffset(Phase phase);
  static Phase next(Phase phase);
  Q_INVOKABLE QPointF pointerOffsetOf(int phase) const { return pointerOffset(static_cast<Phase>(phase)); }
  Q_INVOKABLE int nextOf(int phase) const { return static_cast<int>(next(static_cast<Phase>(phase))); }
};

}  // namespace tessorin
