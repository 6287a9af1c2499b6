#pragma once
// CardRowModel: one card of the sidebar: the device's icon, its name, its capacity (or
// "Removed" once the card went away while its session is kept, drawn faded) and the mark
// of its session's stage and verdict. Presence is what the application model knows of the
// card (its removed set), never a look at the file system, which could hang the window on
// a dead mount or call a leftover mount folder present. Main thread; the session and the
// model are held weakly.

#include <optional>

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "session/AppModel.hpp"
#include "session/check/CardSession.hpp"
#include "session/records/CheckOutcome.hpp"

namespace tessorin {

class CardRowModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* model READ model WRITE setModel NOTIFY modelChanged)
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(QString cardId READ cardId NOTIFY sessionChanged)
  Q_PROPERTY(QString icon READ icon NOTIFY changed)
  Q_PROPERTY(QString name READ name NOTIFY changed)
  Q_PROPERTY(bool present READ present NOTIFY changed)
  Q_PROPERTY(QString caption READ caption NOTIFY changed)
  Q_PROPERTY(qreal opacity READ opacity NOTIFY changed)
  Q_PROPERTY(tessorin::CardRowModel::Mark mark READ mark NOTIFY changed)
  Q_PROPERTY(QString markSymbol READ markSymbol NOTIFY changed)
  Q_PROPERTY(QColor markColor READ markColor NOTIFY changed)

 public:
  enum class Mark { None, Progress, Symbol };
  Q_ENUM(Mark)

  struct StatusMark {
    Mark mark = Mark::None;
    QString symbol;
    QColor color;
    friend bool operator==(const StatusMark&, const StatusMark&) = default;
  };

  explicit CardRowModel(QObject* parent = nullptr);

  QObject* model() const { return model_; }
  void setModel(QObject* model);
  QObject* session() const { return session_; }
  void setSession(QObject* session);

  QString cardId() const;
  QString icon() const;
  QString name() const;
  bool present() const;
  QString caption() const;
  qreal opacity() const { return present() ? 1.0 : 0.55; }
  Mark mark() const { return statusMark().mark; }
  QString markSymbol() const { return statusMark().symbol; }
  QColor markColor() const { return statusMark().color; }

  // The pure rules, for tests.
  static QString iconFor(const CardDevice& device, bool isUSBDrive);
  static StatusMark markFor(const CardSessionStage& stage, std::optional<CheckOutcome::Verdict> verdict);
  static QString captionFor(const CardDevice& device, bool present);
  static QString verdictSymbol(CheckOutcome::Verdict verdict);

 Q_SIGNALS:
  void modelChanged();
  void sessionChanged();
  void changed();

 private:
  StatusMark statusMark() const;

  QPointer<AppModel> model_;
  QPointer<CardSession> session_;
};

}  // namespace tessorin
