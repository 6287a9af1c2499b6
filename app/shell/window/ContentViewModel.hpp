#pragma once
// ContentViewModel: what the window's detail column shows for the sidebar's selection (a
// card's page, the community, the history, or the invitation to insert a card when nothing
// or a card that is gone is selected), the title of a page that is not a card's, and the
// toolbar's "How It Works" button with the sheet's flag. Main thread; the model is held
// weakly.

#include <optional>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "session/AppModel.hpp"

namespace tessorin {

class ContentViewModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* model READ model WRITE setModel NOTIFY modelChanged)
  Q_PROPERTY(tessorin::ContentViewModel::Detail detail READ detail NOTIFY detailChanged)
  // The selected card's session; null unless the detail is a card's page.
  Q_PROPERTY(QObject* session READ session NOTIFY detailChanged)
  Q_PROPERTY(QString cardId READ cardId NOTIFY detailChanged)
  // Whether the selected card is still in; a card's page offers nothing of a card that is gone.
  Q_PROPERTY(bool cardPresent READ cardPresent NOTIFY cardPresentChanged)
  // "Community" or "History"; "" for a card's page (which names itself) and for no card.
  Q_PROPERTY(QString pageTitle READ pageTitle NOTIFY detailChanged)
  Q_PROPERTY(bool showingHowItWorks READ showingHowItWorks WRITE setShowingHowItWorks NOTIFY showingHowItWorksChanged)
  Q_PROPERTY(QString howItWorksTitle READ howItWorksTitle CONSTANT)
  Q_PROPERTY(QString howItWorksHelp READ howItWorksHelp CONSTANT)
  Q_PROPERTY(QString applicationTitle READ applicationTitle CONSTANT)

 public:
  enum class Detail { NoCard, Card, Community, History };
  Q_ENUM(Detail)

  explicit ContentViewModel(QObject* parent = nullptr);

  QObject* model() const { return model_; }
  void setModel(QObject* model);
  Detail detail() const;
  QObject* session() const;
  QString cardId() const;
  bool cardPresent() const;
  QString pageTitle() const;
  bool showingHowItWorks() const { return model_ && model_->showingHowItWorks(); }
  void setShowingHowItWorks(bool shown);
  QString howItWorksTitle() const { return tr("How It Works"); }
  QString howItWorksHelp() const { return tr("How Tessorin tells real cards from fakes"); }
  QString applicationTitle() const { return QStringLiteral("Tessorin"); }

  // The toolbar button and the Help menu's item.
  Q_INVOKABLE void showHowItWorks() { setShowingHowItWorks(true); }

  // The pure rule, for tests: hasSession says whether a session with the selected card's
  // id is listed.
  static Detail detailFor(const std::optional<AppModel::Selection>& selection, bool hasSession);

 Q_SIGNALS:
  void modelChanged();
  void detailChanged();
  void cardPresentChanged();
  void showingHowItWorksChanged();

 private:
  CardSession* selectedSession() const;

  QPointer<AppModel> model_;
};

}  // namespace tessorin
