#pragma once
// SignalRowModel: one X-ray finding as its row shows it: the severity's symbol and
// colour, the title and explanation, and whether the row offers "Delete Test Files"
// (leftover files, while the card is at rest) or "How to Switch to exFAT" (a large card
// formatted as FAT32). Main thread.

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include "theme/Palette.hpp"

#include "results/xray/XRaySignalItem.hpp"
#include "session/check/CardSession.hpp"

namespace tessorin {

class SignalRowModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  // An XRaySignalItem from the panel's list.
  Q_PROPERTY(QVariant finding READ finding WRITE setFinding NOTIFY findingChanged)
  Q_PROPERTY(tessorin::CardSession* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(QString title READ title NOTIFY findingChanged)
  Q_PROPERTY(QString explanation READ explanation NOTIFY findingChanged)
  Q_PROPERTY(QString symbol READ symbol NOTIFY findingChanged)
  Q_PROPERTY(QColor symbolColor READ symbolColor NOTIFY symbolColorChanged)
  Q_PROPERTY(bool showsDeleteButton READ showsDeleteButton NOTIFY buttonsChanged)
  Q_PROPERTY(bool showsExFATButton READ showsExFATButton NOTIFY findingChanged)
  Q_PROPERTY(QString deleteButtonTitle READ deleteButtonTitle CONSTANT)
  Q_PROPERTY(QString exFATButtonTitle READ exFATButtonTitle CONSTANT)

 public:
  explicit SignalRowModel(QObject* parent = nullptr);

  QVariant finding() const { return QVariant::fromValue(XRaySignalItem{signal_}); }
  void setFinding(const QVariant& finding);
  CardSession* session() const { return session_; }
  void setSession(CardSession* session);

  const XRaySignal& signal() const { return signal_; }
  QString title() const;
  QString explanation() const;
  QString symbol() const;
  QColor symbolColor() const;
  bool showsDeleteButton() const { return showsDeleteButton_; }
  bool showsExFATButton() const;
  static QString deleteButtonTitle();
  static QString exFATButtonTitle();

  // The card's name and mount point now, for the exFAT guide as it opens.
  Q_INVOKABLE QString cardName() const;
  Q_INVOKABLE QString volumePath() const;
  Q_INVOKABLE void deleteTestFiles();

 Q_SIGNALS:
  void findingChanged();
  void sessionChanged();
  void buttonsChanged();
  void symbolColorChanged();

 private:
  void updateDeleteButton();
  bool isUSBDrive() const;

  Palette palette_;  // the system's text shades
  XRaySignal signal_;
  QPointer<CardSession> session_;
  bool showsDeleteButton_ = false;
};

}  // namespace tessorin
