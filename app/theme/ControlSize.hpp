#pragma once
// ControlSize: the size class of a control, which fixes its height, so that buttons standing
// in one row line up whatever their role, label or symbol. A view names the class where it
// is not the regular one:
//
//     Button { text: …; ControlSize.size: ControlSize.Large }
//
// and a control drawn by the house reads the height it owes from the same attached object
// (`ControlSize.buttonHeight`, `ControlSize.indicatorSize`). The large class is the one of a
// page's or a sheet's main row of actions, the glowing main button among them.
//
// Main thread only, like every QML object.

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class ControlSize : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("ControlSize is only used as an attached property.")
  QML_ATTACHED(ControlSize)
  Q_PROPERTY(int size READ size WRITE setSize NOTIFY sizeChanged)
  Q_PROPERTY(int buttonHeight READ buttonHeight NOTIFY sizeChanged)
  Q_PROPERTY(int indicatorSize READ indicatorSize NOTIFY sizeChanged)

 public:
  enum Size { Small, Regular, Large };
  Q_ENUM(Size)

  using QObject::QObject;

  static ControlSize* qmlAttachedProperties(QObject* control) { return new ControlSize(control); }

  // A button's height in pixels, the same for every role, with or without a symbol.
  static int buttonHeightOf(Size size);
  // The side of a busy indicator's square.
  static int indicatorSizeOf(Size size);

  int size() const { return size_; }
  void setSize(int size);
  int buttonHeight() const { return buttonHeightOf(clamped()); }
  int indicatorSize() const { return indicatorSizeOf(clamped()); }

 Q_SIGNALS:
  void sizeChanged();

 private:
  Size clamped() const;

  int size_ = Regular;
};

}  // namespace tessorin
