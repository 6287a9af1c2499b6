#pragma once
// BrandFieldModel: the brand picker's choices and the session members it edits. The list
// is "Not sure", a separator that cannot be chosen, then every brand by its label; the
// name field shows only for the catch-all brand. Choosing writes the session's claimed
// brand, typing its custom brand name; the session stores both for the card, and this
// model follows the session's signals, so two fields on one session always agree.
// Main thread.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include "session/check/CardSession.hpp"

namespace tessorin {

class BrandFieldModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(QStringList choices READ choices CONSTANT)
  Q_PROPERTY(int separatorIndex READ separatorIndex CONSTANT)
  Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged)
  Q_PROPERTY(bool showsNameField READ showsNameField NOTIFY currentIndexChanged)
  Q_PROPERTY(QString customName READ customName WRITE setCustomName NOTIFY customNameChanged)
  Q_PROPERTY(QString title READ title CONSTANT)
  Q_PROPERTY(QString help READ help CONSTANT)
  Q_PROPERTY(QString nameTitle READ nameTitle CONSTANT)
  Q_PROPERTY(QString namePlaceholder READ namePlaceholder CONSTANT)

 public:
  explicit BrandFieldModel(QObject* parent = nullptr);

  QObject* session() const { return session_; }
  void setSession(QObject* session);

  QStringList choices() const;
  static int separatorIndex() { return 1; }
  // 0 for "Not sure", separatorIndex() + 1 + the brand's place in Brand::allCases().
  int currentIndex() const;
  // Choosing the separator changes nothing (and tells the picker to show the old choice).
  void setCurrentIndex(int index);
  bool showsNameField() const;
  QString customName() const;
  void setCustomName(const QString& name);

  QString title() const;
  QString help() const;
  QString nameTitle() const;
  QString namePlaceholder() const;

 Q_SIGNALS:
  void sessionChanged();
  void currentIndexChanged();
  void customNameChanged();

 private:
  QPointer<CardSession> session_;
};

}  // namespace tessorin
