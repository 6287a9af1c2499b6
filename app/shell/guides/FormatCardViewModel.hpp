#pragma once
// FormatCardViewModel: the erase sheet's presenter. It names the card it will erase when
// the sheet opens (the session whose volume is at the sheet's path, as the session knows
// it then), so a card put in at that place later is never erased, and it erases only
// while that card's session is idle or finished. The erase itself is the model's
// CardEraseJob, so it runs on after the sheet has gone and quitting waits for it; the
// sheet follows it by its ticket.
//
// Main thread only. Texts are in the translation context "Direct".

#include <optional>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "session/AppModel.hpp"
#include "session/errors/ErrorNotice.hpp"

namespace tessorin {

class FormatCardViewModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::AppModel* model READ model WRITE setModel NOTIFY inputsChanged)
  // A page that knows a session of the card rather than the model: the model that owns it.
  Q_PROPERTY(tessorin::CardSession* session READ session WRITE setSession NOTIFY inputsChanged)
  Q_PROPERTY(QString cardName READ cardName WRITE setCardName NOTIFY inputsChanged)
  Q_PROPERTY(QString volumePath READ volumePath WRITE setVolumePath NOTIFY inputsChanged)
  Q_PROPERTY(Purpose purpose READ purpose WRITE setPurpose NOTIFY inputsChanged)
  // The purpose by its case name, "exFAT" or "erase", as the pages that open the sheet say it.
  Q_PROPERTY(QString purposeName READ purposeName WRITE setPurposeName NOTIFY inputsChanged)
  Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
  Q_PROPERTY(Stage stage READ stage NOTIFY stageChanged)
  Q_PROPERTY(QString failureMessage READ failureMessage NOTIFY stageChanged)
  // The system's own words behind the failure, shown smaller; empty without them.
  Q_PROPERTY(QString failureDetail READ failureDetail NOTIFY stageChanged)
  Q_PROPERTY(QString doneText READ doneText NOTIFY stageChanged)
  Q_PROPERTY(bool confirming READ confirming WRITE setConfirming NOTIFY confirmingChanged)
  Q_PROPERTY(bool canClose READ canClose NOTIFY stageChanged)
  Q_PROPERTY(bool openDisksShown READ openDisksShown NOTIFY stageChanged)
  Q_PROPERTY(bool showsNameField READ showsNameField NOTIFY stageChanged)
  Q_PROPERTY(bool showsProgress READ showsProgress NOTIFY stageChanged)
  Q_PROPERTY(bool showsDone READ showsDone NOTIFY stageChanged)
  Q_PROPERTY(bool showsFailure READ showsFailure NOTIFY stageChanged)
  Q_PROPERTY(QString title READ title NOTIFY inputsChanged)
  Q_PROPERTY(QString subtitle READ subtitle NOTIFY inputsChanged)
  Q_PROPERTY(QString warningText READ warningText CONSTANT)
  Q_PROPERTY(QString newNameLabel READ newNameLabel CONSTANT)
  Q_PROPERTY(QString namePlaceholder READ namePlaceholder CONSTANT)
  Q_PROPERTY(QString nameHint READ nameHint CONSTANT)
  Q_PROPERTY(QString erasingText READ erasingText NOTIFY inputsChanged)
  Q_PROPERTY(QString confirmTitle READ confirmTitle NOTIFY inputsChanged)
  Q_PROPERTY(QString confirmMessage READ confirmMessage CONSTANT)
  Q_PROPERTY(QString cancelText READ cancelText CONSTANT)
  Q_PROPERTY(QString eraseButtonText READ eraseButtonText CONSTANT)
  Q_PROPERTY(QString eraseText READ eraseText CONSTANT)
  Q_PROPERTY(QString doneButtonText READ doneButtonText CONSTANT)
  Q_PROPERTY(QString openDisksText READ openDisksText CONSTANT)

 public:
  enum class Purpose { exFAT, erase };
  Q_ENUM(Purpose)
  enum class Stage { ready, erasing, done, failed };
  Q_ENUM(Stage)

  explicit FormatCardViewModel(QObject* parent = nullptr);

  AppModel* model() const { return model_; }
  void setModel(AppModel* model);
  CardSession* session() const { return session_; }
  void setSession(CardSession* session);
  const QString& cardName() const { return cardName_; }
  void setCardName(const QString& name);
  const QString& volumePath() const { return volumePath_; }
  void setVolumePath(const QString& path);
  Purpose purpose() const { return purpose_; }
  void setPurpose(Purpose purpose);
  QString purposeName() const;
  void setPurposeName(const QString& name);

  const QString& name() const { return name_; }
  void setName(const QString& name);
  Stage stage() const { return stage_; }
  const QString& failureMessage() const { return failure_.message; }
  const QString& failureDetail() const { return failure_.detail; }
  QString doneText() const;
  bool confirming() const { return confirming_; }
  void setConfirming(bool shown);
  // The sheet closes by Escape or its buttons except while erasing.
  bool canClose() const { return stage_ != Stage::erasing; }
  bool openDisksShown() const { return stage_ == Stage::failed && disksInstalled(); }
  // The warning, the name field and "Erase as exFAT": ready, and again after a failure.
  bool showsNameField() const { return stage_ == Stage::ready || stage_ == Stage::failed; }
  bool showsProgress() const { return stage_ == Stage::erasing; }
  bool showsDone() const { return stage_ == Stage::done; }
  bool showsFailure() const { return stage_ == Stage::failed; }

  // The alert's "Erase": cleans the name and erases the card named when the sheet opened.
  Q_INVOKABLE void erase();
  // Starts the Disks utility, detached; the sheet stays as it is.
  Q_INVOKABLE void openDisks() const;

  static bool disksInstalled();

  QString title() const;
  QString subtitle() const;
  // Says why exFAT: the factory format of cards over 32 GB, and the one the quick check
  // needs, each only where it holds (the card's size, when known; this system's driver).
  static QString subtitleFor(bool exFATGivesQuickCheck, std::optional<std::uint64_t> mediaBytes);
  QString warningText() const;
  QString newNameLabel() const;
  QString namePlaceholder() const;
  QString nameHint() const;
  QString erasingText() const;
  QString confirmTitle() const;
  QString confirmMessage() const;
  QString cancelText() const;
  QString eraseButtonText() const;
  QString eraseText() const;
  QString doneButtonText() const;
  QString openDisksText() const;

 Q_SIGNALS:
  void inputsChanged();
  void nameChanged();
  void stageChanged();
  void confirmingChanged();

 private:
  void takeCardWhenOpened();
  void setStage(Stage stage, QString doneName = {}, ErrorNotice failure = {});
  const CardSession* sessionOfTheCard() const;

  QPointer<AppModel> model_;
  QPointer<CardSession> session_;
  QString cardName_;
  QString volumePath_;
  Purpose purpose_ = Purpose::exFAT;
  QString name_;
  bool prefilled_ = false;
  std::optional<ExpectedCard> card_;
  std::string cardID_;
  Stage stage_ = Stage::ready;
  QString doneName_;
  ErrorNotice failure_;
  bool confirming_ = false;
  quint64 ticket_ = 0;
};

}  // namespace tessorin
