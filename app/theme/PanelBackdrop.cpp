#include "theme/PanelBackdrop.hpp"

#include <QSGGeometryNode>
#include <QSGVertexColorMaterial>
#include <array>
#include <vector>

#include "theme/PanelShape.hpp"

namespace tessorin {
namespace {

// Enough for a corner of 18 px to look round at the edge a pixel wide.
constexpr int stepsPerCorner = 10;

// An outline moved `outward` and a colour for each of its points.
struct Ring {
  std::vector<QPointF> points;
  std::vector<QColor> colours;
};

QSGGeometry::ColoredPoint2D vertex(const QPointF& point, const QColor& colour) {
  // The vertex colour shader takes premultiplied colours.
  const auto premultiplied = [&](float channel) {
    return static_cast<unsigned char>(qRound(channel * colour.alphaF() * 255));
  };
  QSGGeometry::ColoredPoint2D made{};
  made.set(static_cast<float>(point.x()), static_cast<float>(point.y()), premultiplied(colour.redF()),
           premultiplied(colour.greenF()), premultiplied(colour.blueF()),
           static_cast<unsigned char>(qRound(colour.alphaF() * 255)));
  return made;
}

// Triangles that fill the bands between each ring and the next.
std::vector<QSGGeometry::ColoredPoint2D> bands(const std::vector<Ring>& rings) {
  std::vector<QSGGeometry::ColoredPoint2D> made;
  for (std::size_t r = 0; r + 1 < rings.size(); ++r) {
    const Ring& outer = rings[r];
    const Ring& inner = rings[r + 1];
    const std::size_t count = outer.points.size();
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t next = (i + 1) % count;
      const auto a = vertex(outer.points[i], outer.colours[i]);
      const auto b = vertex(outer.points[next], outer.colours[next]);
      const auto c = vertex(inner.points[next], inner.colours[next]);
      const auto d = vertex(inner.points[i], inner.colours[i]);
      made.insert(made.end(), {a, b, c, a, c, d});
    }
  }
  return made;
}

// Triangles that fill a ring's outline, which is convex: a fan from its centre.
std::vector<QSGGeometry::ColoredPoint2D> filling(const Ring& ring, const QPointF& centre, const QColor& centreColour) {
  std::vector<QSGGeometry::ColoredPoint2D> made;
  const std::size_t count = ring.points.size();
  const auto middle = vertex(centre, centreColour);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t next = (i + 1) % count;
    made.insert(made.end(), {middle, vertex(ring.points[i], ring.colours[i]), vertex(ring.points[next], ring.colours[next])});
  }
  return made;
}

QSGGeometryNode* madeNode(bool blending) {
  auto* node = new QSGGeometryNode;
  auto* geometry = new QSGGeometry(QSGGeometry::defaultAttributes_ColoredPoint2D(), 0);
  geometry->setDrawingMode(QSGGeometry::DrawTriangles);
  node->setGeometry(geometry);
  node->setFlag(QSGNode::OwnsGeometry);
  auto* material = new QSGVertexColorMaterial;
  // Qt's own rectangles turn blending off this way when their colours are opaque: the
  // renderer then draws the node front to back, and what it covers is not shaded.
  material->setFlag(QSGMaterial::Blending, blending);
  node->setMaterial(material);
  node->setFlag(QSGNode::OwnsMaterial);
  return node;
}

void fill(QSGGeometryNode* node, const std::vector<QSGGeometry::ColoredPoint2D>& vertices, bool blending) {
  QSGGeometry* geometry = node->geometry();
  geometry->allocate(static_cast<int>(vertices.size()));
  std::copy(vertices.begin(), vertices.end(), geometry->vertexDataAsColoredPoint2D());
  node->material()->setFlag(QSGMaterial::Blending, blending);
  node->markDirty(QSGNode::DirtyGeometry | QSGNode::DirtyMaterial);
}

}  // namespace

PanelBackdrop::PanelBackdrop(QQuickItem* parent) : QQuickItem(parent) { setFlag(ItemHasContents); }

void PanelBackdrop::setColor(const QColor& color) {
  if (color_ == color) return;
  color_ = color;
  Q_EMIT appearanceChanged();
  update();
}

void PanelBackdrop::setTint(const QColor& tint) {
  if (tint_ == tint) return;
  tint_ = tint;
  Q_EMIT appearanceChanged();
  update();
}

void PanelBackdrop::setBorderColor(const QColor& color) {
  if (borderColor_ == color) return;
  borderColor_ = color;
  Q_EMIT appearanceChanged();
  update();
}

void PanelBackdrop::setRadius(qreal radius) {
  if (radius_ == radius) return;
  radius_ = radius;
  Q_EMIT appearanceChanged();
  update();
}

void PanelBackdrop::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
  QQuickItem::geometryChange(newGeometry, oldGeometry);
  if (newGeometry.size() != oldGeometry.size()) update();
}

// Three nodes: the shadow's bands, the surface's opaque inside, and the rim (the
// antialiased edge with the border) over the inside's edge.
QSGNode* PanelBackdrop::updatePaintNode(QSGNode* old, UpdatePaintNodeData*) {
  const QRectF rect = boundingRect();
  if (rect.isEmpty()) {
    delete old;
    return nullptr;
  }
  QSGNode* root = old;
  if (root == nullptr) {
    root = new QSGNode;
    root->appendChildNode(madeNode(true));
    root->appendChildNode(madeNode(false));
    root->appendChildNode(madeNode(true));
  }
  auto* shadow = static_cast<QSGGeometryNode*>(root->childAtIndex(0));
  auto* inside = static_cast<QSGGeometryNode*>(root->childAtIndex(1));
  auto* rim = static_cast<QSGGeometryNode*>(root->childAtIndex(2));

  namespace shape = panelshape;
  const auto ring = [&](const QRectF& around, double outward, auto colourAt) {
    Ring made{shape::outline(around, radius_, outward, stepsPerCorner), {}};
    made.colours.reserve(made.points.size());
    for (const QPointF& point : made.points) made.colours.push_back(colourAt(point));
    return made;
  };

  // The shadow: bands from where it has faded out to where the surface hides it, denser
  // near its edge, where it changes fastest.
  const QRectF shadowed = rect.translated(0, shape::shadowOffsetY);
  std::vector<Ring> shadowRings;
  for (const double outward : {1.0, 0.6, 0.35, 0.15, 0.0, -0.15, -0.35, -0.6, -1.0}) {
    const double distance = outward * shape::shadowReach;
    const QColor black = QColor::fromRgbF(0, 0, 0, static_cast<float>(outward >= 1 ? 0 : shape::shadowAlpha(distance)));
    shadowRings.push_back(ring(shadowed, distance, [&](const QPointF&) { return black; }));
  }
  fill(shadow, bands(shadowRings), true);

  // The surface under its wash, and the border (one pixel inside the edge) over that, both
  // antialiased across a pixel: clear half a pixel outside the edge, border over surface
  // half a pixel inside it, the surface alone from a pixel and a half in.
  const auto surfaceAt = [&](const QPointF& point) { return shape::washedSurface(rect, point, color_, tint_); };
  const auto borderedAt = [&](const QPointF& point) { return shape::laidOver(borderColor_, surfaceAt(point)); };
  const auto clearAt = [&](const QPointF& point) {
    QColor clear = borderedAt(point);
    clear.setAlphaF(0);
    return clear;
  };
  const Ring edge = ring(rect, -1.5, surfaceAt);
  fill(rim, bands({ring(rect, 0.5, clearAt), ring(rect, -0.5, borderedAt), edge}), true);
  fill(inside, filling(edge, rect.center(), surfaceAt(rect.center())), color_.alpha() < 255);
  return root;
}

}  // namespace tessorin
