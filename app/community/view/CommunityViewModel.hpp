#pragma once
// CommunityViewModel: the presenter of CommunityView.qml, made with the screen, so its
// own state (the search text, the chosen country, the open cards) starts afresh each
// time the screen is made. It follows the application's one CommunityStore: which
// content shows (unavailable, the failure of a first fetch, its progress, or the list),
// the three totals, the country menu's rows and the store summaries for the search and
// the country, all recomputed whenever the store or that state changes.
//
// Showing the screen fetches only while the store has never fetched; "Refresh" and
// "Try Again" always do. Each fetch belongs to the store and runs to its end when the
// screen goes. Main thread.

#include <optional>
#include <set>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "community/store/CommunityStore.hpp"
#include "community/view/StoreSummaryList.hpp"
#include "community/view/ViewValues.hpp"
#include "theme/GadgetList.hpp"

namespace tessorin {

class CommunityViewModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* store READ storeObject WRITE setStore NOTIFY storeChanged)
  Q_PROPERTY(QString search READ search WRITE setSearch NOTIFY searchChanged)
  // "" for all countries.
  Q_PROPERTY(QString country READ countryCode WRITE setCountryCode NOTIFY countryChanged)
  Q_PROPERTY(Content content READ content NOTIFY contentChanged)
  Q_PROPERTY(QString failureMessage READ failureMessage NOTIFY contentChanged)
  Q_PROPERTY(bool refreshEnabled READ refreshEnabled NOTIFY contentChanged)
  Q_PROPERTY(QVariantList tiles READ tileList NOTIFY listChanged)
  Q_PROPERTY(QVariantList countryRows READ countryRowList NOTIFY listChanged)
  Q_PROPERTY(int countryIndex READ countryIndex NOTIFY countryIndexChanged)
  Q_PROPERTY(tessorin::StoreSummaryList* summaries READ summaries CONSTANT)
  Q_PROPERTY(bool listEmpty READ listEmpty NOTIFY listChanged)
  Q_PROPERTY(QString emptyTitle READ emptyTitle NOTIFY listChanged)
  Q_PROPERTY(QString emptyDescription READ emptyDescription CONSTANT)
  Q_PROPERTY(QString navigationTitle READ navigationTitle CONSTANT)
  Q_PROPERTY(QString heading READ heading CONSTANT)
  Q_PROPERTY(QString subheading READ subheading CONSTANT)
  Q_PROPERTY(QString unavailableTitle READ unavailableTitle CONSTANT)
  Q_PROPERTY(QString unavailableDescription READ unavailableDescription CONSTANT)
  Q_PROPERTY(QString failureTitle READ failureTitle CONSTANT)
  Q_PROPERTY(QString tryAgainLabel READ tryAgainLabel CONSTANT)
  Q_PROPERTY(QString loadingLabel READ loadingLabel CONSTANT)
  Q_PROPERTY(QString searchPrompt READ searchPrompt CONSTANT)
  Q_PROPERTY(QString countryLabel READ countryLabel CONSTANT)
  Q_PROPERTY(QString refreshLabel READ refreshLabel CONSTANT)
  Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
  Q_PROPERTY(QString dismissNoticeLabel READ dismissNoticeLabel CONSTANT)
  // The file the notice speaks of, for a tooltip, and its folder, for "Show in Files".
  Q_PROPERTY(QString noticeFile READ noticeFile NOTIFY noticeChanged)
  Q_PROPERTY(QUrl noticeFolder READ noticeFolder NOTIFY noticeChanged)
  Q_PROPERTY(QString showNoticeFileLabel READ showNoticeFileLabel CONSTANT)

 public:
  enum Content { Unavailable, Failed, Loading, List };
  Q_ENUM(Content)

  explicit CommunityViewModel(QObject* parent = nullptr);

  CommunityStore* store() const { return store_; }
  QObject* storeObject() const { return store_; }
  void setStore(QObject* store);
  void setStore(CommunityStore* store);

  const QString& search() const { return search_; }
  void setSearch(const QString& search);
  const std::optional<QString>& country() const { return country_; }
  QString countryCode() const { return country_.value_or(QString()); }
  void setCountryCode(const QString& code);

  static Content contentOf(const CommunityStore& store);
  Content content() const { return store_ ? contentOf(*store_) : Unavailable; }
  QString failureMessage() const;
  bool refreshEnabled() const;
  std::vector<StatTileValue> tiles() const { return tiles_; }
  QVariantList tileList() const { return gadgetList(tiles_); }
  const std::vector<CountryRow>& countryRows() const { return countryRows_; }
  QVariantList countryRowList() const { return gadgetList(countryRows_); }
  // The chosen country's row; -1 for a code no longer listed, which no row shows chosen.
  int countryIndex() const;
  StoreSummaryList* summaries() { return &summaries_; }
  bool listEmpty() const { return summaries_.rowCount() == 0; }
  QString emptyTitle() const;

  QString emptyDescription() const { return tr("After checking a card, tell where you bought it to add the store here."); }
  QString navigationTitle() const { return tr("Community"); }
  QString heading() const { return tr("Where people bought their cards"); }
  QString subheading() const {
    return tr("Every entry comes from a real Tessorin check. Stores with the most fakes are listed first.");
  }
  QString unavailableTitle() const { return tr("Community unavailable"); }
  QString unavailableDescription() const {
    return tr("This copy of Tessorin can’t open its community store, so it can’t reach the community.");
  }
  QString failureTitle() const { return tr("Couldn’t load the community"); }
  QString tryAgainLabel() const { return tr("Try Again"); }
  QString loadingLabel() const { return tr("Loading reports…"); }
  QString searchPrompt() const { return tr("Search stores"); }
  QString countryLabel() const { return tr("Country"); }
  QString refreshLabel() const { return tr("Refresh"); }
  // What the store has to tell about its own file (a damaged one set aside), until read.
  QString notice() const { return store_ ? store_->notice() : QString(); }
  QString dismissNoticeLabel() const { return tr("OK"); }
  QString noticeFile() const { return store_ ? store_->noticeFile() : QString(); }
  QUrl noticeFolder() const;
  QString showNoticeFileLabel() const { return tr("Show in Files"); }

  // The screen was shown: the first fetch of the run, while the store is idle.
  Q_INVOKABLE void appeared();
  // "Refresh" and "Try Again".
  Q_INVOKABLE void refresh();
  Q_INVOKABLE void toggle(const QString& id);
  Q_INVOKABLE void chooseCountry(int row);
  Q_INVOKABLE void dismissNotice();

 Q_SIGNALS:
  void storeChanged();
  void searchChanged();
  void countryChanged();
  void countryIndexChanged();
  void contentChanged();
  void listChanged();
  void noticeChanged();

 private:
  void recompute();

  QPointer<CommunityStore> store_;
  std::vector<QMetaObject::Connection> connections_;
  QString search_;
  std::optional<QString> country_;
  std::set<QString> expanded_;
  StoreSummaryList summaries_;
  std::vector<StatTileValue> tiles_;
  std::vector<CountryRow> countryRows_;
};

}  // namespace tessorin
