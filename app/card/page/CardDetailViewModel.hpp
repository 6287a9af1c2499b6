#pragma once
// CardDetailViewModel: the card page's frame for one session: which panel the stage calls
// for (with the stage's phase or card-out flag), the tint of the wash behind the page, the
// window title (the volume name), and the page's questions and sheets: the two erase
// questions, the error alert, the folder-access sheet and the erase-guide sheet, each
// shown while its session member holds and closed by setting it back.
//
// Showing a card at rest reads its figures again (on a background job): files copied onto
// it meanwhile show, and the erase questions ask with them.
//
// The session is held weakly: once it is deleted (its card gone) the page shows nothing
// and never touches it again. Main thread.

#include <cstdint>
#include <optional>

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "session/check/CardSession.hpp"
#include "session/records/CheckOutcome.hpp"
#include "tessorin/posix/VolumeStats.hpp"
#include "tessorin/quick/QuickProbeResult.hpp"

namespace tessorin {

class CardDetailViewModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(bool hasSession READ hasSession NOTIFY sessionChanged)
  Q_PROPERTY(tessorin::CardDetailViewModel::Panel panel READ panel NOTIFY stageChanged)
  Q_PROPERTY(int phase READ phase NOTIFY stageChanged)
  Q_PROPERTY(bool cardOut READ cardOut NOTIFY stageChanged)
  Q_PROPERTY(QColor tint READ tint NOTIFY tintChanged)
  Q_PROPERTY(QColor washColor READ washColor NOTIFY tintChanged)
  Q_PROPERTY(QColor washClear READ washClear NOTIFY tintChanged)
  Q_PROPERTY(QString title READ title NOTIFY deviceChanged)

  Q_PROPERTY(bool confirmingErase READ confirmingErase NOTIFY dialogsChanged)
  Q_PROPERTY(QString confirmEraseTitle READ confirmEraseTitle NOTIFY deviceChanged)
  Q_PROPERTY(QString confirmEraseMessage READ confirmEraseMessage NOTIFY deviceChanged)
  Q_PROPERTY(bool offeringErase READ offeringErase NOTIFY dialogsChanged)
  Q_PROPERTY(QString offerEraseTitle READ offerEraseTitle NOTIFY deviceChanged)
  Q_PROPERTY(QString offerEraseMessage READ offerEraseMessage NOTIFY deviceChanged)
  Q_PROPERTY(QString eraseAndCheckTitle READ eraseAndCheckTitle CONSTANT)
  Q_PROPERTY(QString checkFreeSpaceTitle READ checkFreeSpaceTitle CONSTANT)
  Q_PROPERTY(QString cancelTitle READ cancelTitle CONSTANT)
  Q_PROPERTY(bool showingError READ showingError NOTIFY dialogsChanged)
  Q_PROPERTY(QString errorTitle READ errorTitle CONSTANT)
  Q_PROPERTY(QString errorText READ errorText NOTIFY dialogsChanged)
  Q_PROPERTY(QString errorDetail READ errorDetail NOTIFY dialogsChanged)
  Q_PROPERTY(QString okTitle READ okTitle CONSTANT)
  Q_PROPERTY(bool showingPermission READ showingPermission NOTIFY dialogsChanged)
  // The pending request's id, "" without one: the sheet remembers it when it opens.
  Q_PROPERTY(QString permissionRequestId READ permissionRequestId NOTIFY dialogsChanged)
  Q_PROPERTY(bool showingDiskUtilityGuide READ showingDiskUtilityGuide NOTIFY dialogsChanged)
  Q_PROPERTY(QString volumeName READ title NOTIFY deviceChanged)
  Q_PROPERTY(QString volumePath READ volumePath NOTIFY deviceChanged)
  // Whether a question, alert or sheet is open: the page's keys stand down meanwhile.
  Q_PROPERTY(bool anyDialogOpen READ anyDialogOpen NOTIFY dialogsChanged)

 public:
  // The panel under the header; Empty for a finished check without an outcome and for a
  // page without a session.
  enum class Panel { Empty, Start, Quick, Decision, Full, Reinsert, Erasing, Outcome };
  Q_ENUM(Panel)

  explicit CardDetailViewModel(QObject* parent = nullptr);

  QObject* session() const { return session_; }
  void setSession(QObject* session);
  bool hasSession() const { return !session_.isNull(); }

  Panel panel() const;
  int phase() const;
  bool cardOut() const;
  QColor tint() const;
  QColor washColor() const;
  QColor washClear() const;
  QString title() const;
  QString volumePath() const;

  bool confirmingErase() const { return session_ && session_->confirmingErase(); }
  QString confirmEraseTitle() const;
  QString confirmEraseMessage() const;
  bool offeringErase() const { return session_ && session_->offeringErase(); }
  QString offerEraseTitle() const;
  QString offerEraseMessage() const;
  QString eraseAndCheckTitle() const;
  QString checkFreeSpaceTitle() const;
  QString cancelTitle() const;
  bool showingError() const { return session_ && session_->errorMessage().has_value(); }
  QString errorTitle() const;
  QString errorText() const;
  QString errorDetail() const { return session_ ? session_->errorDetail() : QString(); }
  QString okTitle() const;
  bool showingPermission() const { return session_ && session_->permissionRequest().has_value(); }
  QString permissionRequestId() const;
  bool showingDiskUtilityGuide() const { return session_ && session_->showingDiskUtilityGuide(); }
  bool anyDialogOpen() const;

  // The questions' answers; each closes its question.
  Q_INVOKABLE void eraseAndCheckConfirmed();
  Q_INVOKABLE void eraseAndCheckOffered();
  Q_INVOKABLE void checkFreeSpaceOnly();
  Q_INVOKABLE void closeConfirmingErase();
  Q_INVOKABLE void closeOfferingErase();
  Q_INVOKABLE void closeError();
  // Clears the request only while it is still the one the sheet was opened for: a new
  // request posted meanwhile (a wrong folder picked) stays.
  Q_INVOKABLE void closePermission(const QString& requestId);
  Q_INVOKABLE void closeDiskUtilityGuide();

  // The pure rules, for tests.
  static Panel panelFor(const CardSessionStage& stage, bool hasOutcome);
  static QColor tintFor(const CardSessionStage& stage, std::optional<QuickProbeResult::Verdict> quickVerdict,
                        std::optional<CheckOutcome::Verdict> outcomeVerdict);
  static QString confirmEraseTitle(const QString& volumeName);
  static QString confirmEraseMessage(const VolumeStats& volume);
  static QString offerEraseTitle(const QString& volumeName);
  static QString offerEraseMessage(const VolumeStats& volume);

 Q_SIGNALS:
  void sessionChanged();
  void stageChanged();
  void tintChanged();
  void deviceChanged();
  void dialogsChanged();

 private:
  void announceAll();

  QPointer<CardSession> session_;
};

}  // namespace tessorin
