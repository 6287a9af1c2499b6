#pragma once
// PurchasePanelModel: the presenter of PurchasePanel.qml, where the user tells where the
// card of a finished check was bought. It keeps the form (store, platform, country,
// city, the price as typed and the currency) and writes it into the check's record only
// when a button is pressed: "Save to History" stores it, "Share With the Community"
// stores it and sends it as a store report, whose name then goes into that record, and
// the panel turns read-only.
//
// A share outlives the panel: its coroutine holds the panel, the session and the history
// by QPointer. The name is written into the record that was sent, found by its id,
// through the session while it lives and through the history once it is gone, so a
// check that finished meanwhile never takes another check's name. Main thread.

#include <optional>

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include "community/store/CommunityStore.hpp"
#include "session/check/CardSession.hpp"
#include "session/records/History.hpp"
#include "session/records/Purchase.hpp"
#include "theme/MetricValue.hpp"

namespace tessorin {

class PurchasePanelModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ sessionObject WRITE setSession NOTIFY sessionChanged)
  // The community store; unset, the one of the application model that owns the session.
  Q_PROPERTY(QObject* store READ storeObject WRITE setStore NOTIFY storeChanged)
  Q_PROPERTY(QString storeName READ storeName WRITE setStoreName NOTIFY formChanged)
  Q_PROPERTY(int platformIndex READ platformIndex WRITE setPlatformIndex NOTIFY formChanged)
  Q_PROPERTY(QString country READ country WRITE setCountry NOTIFY formChanged)
  Q_PROPERTY(QString city READ city WRITE setCity NOTIFY formChanged)
  Q_PROPERTY(QString priceText READ priceText WRITE setPriceText NOTIFY formChanged)
  Q_PROPERTY(QString currency READ currency WRITE setCurrency NOTIFY formChanged)
  Q_PROPERTY(bool sharing READ sharing NOTIFY shareStateChanged)
  Q_PROPERTY(QString shareError READ shareErrorText NOTIFY shareStateChanged)
  Q_PROPERTY(bool showsWarning READ showsWarning NOTIFY shareStateChanged)
  // The warning line's text: amber, darkened until it reads on the panel.
  Q_PROPERTY(QColor warningColor READ warningColor CONSTANT)
  Q_PROPERTY(bool needsICloud READ needsICloud NOTIFY shareStateChanged)
  Q_PROPERTY(bool saved READ saved NOTIFY savedChanged)
  Q_PROPERTY(bool alreadyShared READ alreadyShared NOTIFY recordChanged)
  // Once shared, the purchase is a record to read, not a form: its lines as text.
  Q_PROPERTY(QVariantList sharedLines READ sharedLineList NOTIFY buttonsChanged)
  Q_PROPERTY(bool available READ available NOTIFY storeChanged)
  Q_PROPERTY(bool saveEnabled READ saveEnabled NOTIFY recordChanged)
  Q_PROPERTY(bool shareEnabled READ shareEnabled NOTIFY buttonsChanged)
  Q_PROPERTY(QString saveLabel READ saveLabel NOTIFY savedChanged)
  Q_PROPERTY(QStringList platformLabels READ platformLabels CONSTANT)
  Q_PROPERTY(QString title READ title CONSTANT)
  Q_PROPERTY(QString sharedChip READ sharedChip CONSTANT)
  Q_PROPERTY(QString introduction READ introduction CONSTANT)
  Q_PROPERTY(QString storeLabel READ storeLabel CONSTANT)
  Q_PROPERTY(QString storePlaceholder READ storePlaceholder CONSTANT)
  Q_PROPERTY(QString brandLabel READ brandLabel CONSTANT)
  Q_PROPERTY(QString platformLabel READ platformLabel CONSTANT)
  Q_PROPERTY(QString countryLabel READ countryLabel CONSTANT)
  Q_PROPERTY(QString cityLabel READ cityLabel CONSTANT)
  Q_PROPERTY(QString optionalPlaceholder READ optionalPlaceholder CONSTANT)
  Q_PROPERTY(QString priceLabel READ priceLabel CONSTANT)
  Q_PROPERTY(QString currencyPlaceholder READ currencyPlaceholder CONSTANT)
  Q_PROPERTY(QString shareLabel READ shareLabel CONSTANT)
  Q_PROPERTY(QString unavailableNote READ unavailableNote CONSTANT)

 public:
  explicit PurchasePanelModel(QObject* parent = nullptr);

  CardSession* session() const { return session_; }
  QObject* sessionObject() const { return session_; }
  void setSession(QObject* session);
  CommunityStore* store() const;
  QObject* storeObject() const { return store(); }
  void setStore(QObject* store);

  const Purchase& purchase() const { return purchase_; }
  QString storeName() const { return QString::fromStdString(purchase_.store); }
  void setStoreName(const QString& name);
  int platformIndex() const { return static_cast<int>(purchase_.platform); }
  void setPlatformIndex(int index);
  QString country() const { return QString::fromStdString(purchase_.country); }
  void setCountry(const QString& code);
  QString city() const { return QString::fromStdString(purchase_.city); }
  void setCity(const QString& city);
  const QString& priceText() const { return priceText_; }
  void setPriceText(const QString& text);
  QString currency() const { return QString::fromStdString(purchase_.currency); }
  void setCurrency(const QString& code);

  bool sharing() const { return sharing_; }
  const std::optional<QString>& shareError() const { return shareError_; }
  QString shareErrorText() const { return shareError_.value_or(QString()); }
  // The warning line: a failure other than a missing account, which shows the guide.
  bool showsWarning() const { return !needsICloud_ && shareError_.has_value(); }
  bool needsICloud() const { return needsICloud_; }
  static QColor warningColor();
  bool saved() const { return saved_; }
  bool alreadyShared() const;
  // The lines of the purchase as it was shared, each titled as the form labels its
  // field; a field left empty has no line. Empty while the purchase is not shared.
  std::vector<MetricValue> sharedLines() const;
  QVariantList sharedLineList() const;
  bool available() const;
  bool saveEnabled() const { return !alreadyShared(); }
  bool shareEnabled() const;
  QString saveLabel() const { return saved_ ? tr("Saved") : tr("Save to History"); }
  static QStringList platformLabels();

  QString title() const { return tr("Where did you buy it?"); }
  QString sharedChip() const { return tr("Shared with the community"); }
  QString introduction() const {
    return tr("Help other buyers: tell them which stores sell fakes, and which ones you can trust. Only the store, "
              "the place and this result are shared — nothing about you.");
  }
  QString storeLabel() const { return tr("Store or seller"); }
  QString storePlaceholder() const { return tr("Name as it appears on the website"); }
  QString brandLabel() const { return tr("Brand on the label"); }
  QString platformLabel() const { return tr("Bought on"); }
  QString countryLabel() const { return tr("Country"); }
  QString cityLabel() const { return tr("City"); }
  QString optionalPlaceholder() const { return tr("Optional"); }
  QString priceLabel() const { return tr("Price paid"); }
  QString currencyPlaceholder() const { return tr("Currency"); }
  QString shareLabel() const { return tr("Share With the Community"); }
  QString unavailableNote() const { return tr("Sharing isn’t available in this copy of Tessorin."); }

  // The panel is shown: a purchase stored in the record fills the form.
  Q_INVOKABLE void appear();
  Q_INVOKABLE void saveToHistory();
  Q_INVOKABLE void share();

 Q_SIGNALS:
  void sessionChanged();
  void storeChanged();
  void formChanged();
  void shareStateChanged();
  void savedChanged();
  void recordChanged();
  void buttonsChanged();

 private:
  void formEdited();
  // Reads the price, then has the session write the purchase into its record.
  void savePurchase();
  void setSharing(bool sharing);
  void setShareOutcome(std::optional<QString> error, bool needsICloud);
  void followRecord();
  static QCoro::Task<> sendShare(QPointer<PurchasePanelModel> panel, QPointer<CardSession> session,
                                 QPointer<History> history, QPointer<CommunityStore> store, CheckRecord record,
                                 Purchase purchase);

  QPointer<CardSession> session_;
  QPointer<CommunityStore> store_;
  QMetaObject::Connection recordConnection_;
  std::optional<QUuid> recordID_;
  Purchase purchase_;
  QString priceText_;
  bool sharing_ = false;
  std::optional<QString> shareError_;
  bool needsICloud_ = false;
  bool saved_ = false;
};

}  // namespace tessorin
