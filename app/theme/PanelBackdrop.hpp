#pragma once
// PanelBackdrop: a panel's rounded background drawn as one piece of geometry: the soft
// shadow as a band around the edge, the surface with its tinted diagonal wash as opaque
// vertex colours, and the antialiased rim with the border as a thin band over it. Only
// the bands blend: a panel can be as tall as the page, and while a motion elsewhere runs,
// Mesa's software rasteriser shades the window anew every frame; a blended texture of the
// panel's size (a drop shadow, a gradient effect) costs it more than the page's other
// content together. Needs a renderer that draws geometry (not Qt Quick's software one).
//
//     PanelBackdrop { anchors.fill: parent; radius: 18; color: Palette.panelBackground; tint: Palette.cyan
//                     borderColor: … }

#include <QColor>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class PanelBackdrop : public QQuickItem {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY appearanceChanged)
  // No alpha (the default): no wash.
  Q_PROPERTY(QColor tint READ tint WRITE setTint NOTIFY appearanceChanged)
  Q_PROPERTY(QColor borderColor READ borderColor WRITE setBorderColor NOTIFY appearanceChanged)
  Q_PROPERTY(qreal radius READ radius WRITE setRadius NOTIFY appearanceChanged)

 public:
  explicit PanelBackdrop(QQuickItem* parent = nullptr);

  QColor color() const { return color_; }
  void setColor(const QColor& color);
  QColor tint() const { return tint_; }
  void setTint(const QColor& tint);
  QColor borderColor() const { return borderColor_; }
  void setBorderColor(const QColor& color);
  qreal radius() const { return radius_; }
  void setRadius(qreal radius);

 Q_SIGNALS:
  void appearanceChanged();

 protected:
  QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData* data) override;
  void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

 private:
  QColor color_ = Qt::white;
  QColor tint_ = Qt::transparent;
  QColor borderColor_ = Qt::transparent;
  qreal radius_ = 0;
};

}  // namespace tessorin
