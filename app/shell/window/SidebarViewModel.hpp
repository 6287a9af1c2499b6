#pragma once
// SidebarViewModel: the sidebar's lists and selection: the card rows in the model's order
// (a list model whose rows stay as cards come and go beside them), the hint while there
// are none, the two destinations, and which row is selected, both
// ways: a click writes the model's selection and a selection made elsewhere moves the
// highlight. Main thread; the model is held weakly.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "session/AppModel.hpp"
#include "shell/window/SidebarCardList.hpp"

namespace tessorin {

class SidebarViewModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* model READ model WRITE setModel NOTIFY modelChanged)
  Q_PROPERTY(QAbstractItemModel* cards READ cards CONSTANT)
  Q_PROPERTY(bool hasSessions READ hasSessions NOTIFY sessionsChanged)
  // The selected card's id, "" when no card is selected.
  Q_PROPERTY(QString selectedCard READ selectedCard NOTIFY selectionChanged)
  Q_PROPERTY(bool communitySelected READ communitySelected NOTIFY selectionChanged)
  Q_PROPERTY(bool historySelected READ historySelected NOTIFY selectionChanged)
  Q_PROPERTY(QString cardsHeading READ cardsHeading CONSTANT)
  Q_PROPERTY(QString insertHint READ insertHint CONSTANT)
  Q_PROPERTY(QString exploreHeading READ exploreHeading CONSTANT)
  Q_PROPERTY(QString communityTitle READ communityTitle CONSTANT)
  Q_PROPERTY(QString historyTitle READ historyTitle CONSTANT)

 public:
  explicit SidebarViewModel(QObject* parent = nullptr);

  QObject* model() const { return model_; }
  void setModel(QObject* model);
  QAbstractItemModel* cards() { return &cards_; }
  bool hasSessions() const { return model_ && !model_->sessions().empty(); }
  QString selectedCard() const;
  bool communitySelected() const { return selected(AppModel::Selection::Kind::community); }
  bool historySelected() const { return selected(AppModel::Selection::Kind::history); }
  QString cardsHeading() const { return tr("Cards & Drives"); }
  QString insertHint() const { return tr("Insert a card to begin"); }
  QString exploreHeading() const { return tr("Explore"); }
  QString communityTitle() const { return tr("Community"); }
  QString historyTitle() const { return tr("History"); }

  Q_INVOKABLE void selectCard(const QString& cardId);
  Q_INVOKABLE void selectCommunity();
  Q_INVOKABLE void selectHistory();

 Q_SIGNALS:
  void modelChanged();
  void sessionsChanged();
  void selectionChanged();

 private:
  bool selected(AppModel::Selection::Kind kind) const;

  QPointer<AppModel> model_;
  SidebarCardList cards_;
};

}  // namespace tessorin
