#include "shell/guides/OpenPanelIllustrationModel.hpp"

namespace tessorin {

OpenPanelIllustrationModel::OpenPanelIllustrationModel(QObject* parent) : QObject(parent) {}

QString OpenPanelIllustrationModel::locationsText() const { return tr("Locations"); }
QString OpenPanelIllustrationModel::computerText() const { return tr("Computer"); }
QString OpenPanelIllustrationModel::cancelText() const { return tr("Cancel"); }
QString OpenPanelIllustrationModel::allowText() const { return tr("Allow"); }

QPointF OpenPanelIllustrationModel::pointerOffset(Phase phase) {
  return phase == Phase::Card ? QPointF(104, 84) : QPointF(386, 166);
}

OpenPanelIllustrationModel::Phase OpenPanelIllustrationModel::next(Phase phase) {
  return phase == Phase::Card ? Phase::Allow : Phase::Card;
}

}  // namespace tessorin
