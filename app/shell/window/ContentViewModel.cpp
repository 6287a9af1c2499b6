#include "shell/window/ContentViewModel.hpp"

namespace tessorin {

ContentViewModel::ContentViewModel(QObject* parent) : QObject(parent) {}

void ContentViewModel::setModel(QObject* model) {
  auto* next = qobject_cast<AppModel*>(model);
  if (next == model_) return;
  if (model_) disconnect(model_, nullptr, this, nullptr);
  model_ = next;
  if (model_) {
    connect(model_, &AppModel::selectionChanged, this, &ContentViewModel::detailChanged);
    connect(model_, &AppModel::sessionsChanged, this, &ContentViewModel::detailChanged);
    for (auto signal : {&AppModel::selectionChanged, &AppModel::sessionsChanged, &AppModel::removedChanged}) {
      connect(model_, signal, this, &ContentViewModel::cardPresentChanged);
    }
    connect(model_, &AppModel::showingHowItWorksChanged, this, &ContentViewModel::showingHowItWorksChanged);
  }
  Q_EMIT modelChanged();
  Q_EMIT detailChanged();
  Q_EMIT cardPresentChanged();
  Q_EMIT showingHowItWorksChanged();
}

CardSession* ContentViewModel::selectedSession() const {
  if (!model_) return nullptr;
  const std::optional<AppModel::Selection>& selection = model_->selection();
  if (!selection || selection->kind != AppModel::Selection::Kind::card) return nullptr;
  return model_->session(selection->cardID);
}

ContentViewModel::Detail ContentViewModel::detail() const {
  if (!model_) return Detail::NoCard;
  return detailFor(model_->selection(), selectedSession() != nullptr);
}

QObject* ContentViewModel::session() const { return detail() == Detail::Card ? selectedSession() : nullptr; }

QString ContentViewModel::cardId() const {
  const CardSession* selected = detail() == Detail::Card ? selectedSession() : nullptr;
  return selected ? QString::fromStdString(selected->id()) : QString();
}

bool ContentViewModel::cardPresent() const {
  const CardSession* selected = detail() == Detail::Card ? selectedSession() : nullptr;
  return selected != nullptr && model_->isVolumePresent(selected);
}

QString ContentViewModel::pageTitle() const {
  switch (detail()) {
    case Detail::Community:
      return tr("Community");
    case Detail::History:
      return tr("History");
    case Detail::NoCard:
    case Detail::Card:
      break;
  }
  return {};
}

void ContentViewModel::setShowingHowItWorks(bool shown) {
  if (model_) model_->setShowingHowItWorks(shown);
}

ContentViewModel::Detail ContentViewModel::detailFor(const std::optional<AppModel::Selection>& selection,
                                                     bool hasSession) {
  if (!selection) return Detail::NoCard;
  switch (selection->kind) {
    case AppModel::Selection::Kind::card:
      return hasSession ? Detail::Card : Detail::NoCard;
    case AppModel::Selection::Kind::community:
      return Detail::Community;
    case AppModel::Selection::Kind::history:
      break;
  }
  return Detail::History;
}

}  // namespace tessorin
