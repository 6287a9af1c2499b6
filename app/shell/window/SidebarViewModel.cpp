#include "shell/window/SidebarViewModel.hpp"

namespace tessorin {

SidebarViewModel::SidebarViewModel(QObject* parent) : QObject(parent) {}

void SidebarViewModel::setModel(QObject* model) {
  auto* next = qobject_cast<AppModel*>(model);
  if (next == model_) return;
  if (model_) disconnect(model_, nullptr, this, nullptr);
  model_ = next;
  cards_.setModel(model_);
  if (model_) {
    connect(model_, &AppModel::sessionsChanged, this, &SidebarViewModel::sessionsChanged);
    connect(model_, &AppModel::selectionChanged, this, &SidebarViewModel::selectionChanged);
  }
  Q_EMIT modelChanged();
  Q_EMIT sessionsChanged();
  Q_EMIT selectionChanged();
}

QString SidebarViewModel::selectedCard() const {
  if (!model_ || !model_->selection() || model_->selection()->kind != AppModel::Selection::Kind::card) return {};
  return QString::fromStdString(model_->selection()->cardID);
}

bool SidebarViewModel::selected(AppModel::Selection::Kind kind) const {
  return model_ && model_->selection() && model_->selection()->kind == kind;
}

void SidebarViewModel::selectCard(const QString& cardId) {
  if (model_) model_->setSelection(AppModel::Selection::card(cardId.toStdString()));
}

void SidebarViewModel::selectCommunity() {
  if (model_) model_->setSelection(AppModel::Selection::community());
}

void SidebarViewModel::selectHistory() {
  if (model_) model_->setSelection(AppModel::Selection::history());
}

}  // namespace tessorin
