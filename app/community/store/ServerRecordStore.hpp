#pragma once
// ServerRecordStore: the community's records on a community server, as JSON over HTTP
// (RecordJson): GET /v1/records for a page, POST /v1/records to save, POST /v1/authors to
// register this installation. Only https, or http to this computer, is used; a reply
// that takes over 15 s or grows past 4 MiB fails, and redirects are not followed. A save
// that got no answer or 503 is sent again, the same record under the same name, twice at
// most: the server answers a record it already holds as it answered the first time.
//
// The author identity is kept in the setting "CommunityAccount" and registered on first
// need; a token the server no longer knows is dropped and registered again once, and a
// refused registration is reported as no account (or, while saving, as
// RecordErrorCode::notAuthenticated). A server's error message reaches the user as plain
// text, cut to 200 characters. A 404 on the community's own paths (but for a flag of a
// report the community no longer has), or a page that is not the community's JSON, says
// that the address leads elsewhere, and the message names the setting to mend: an empty
// community is only ever a real, empty answer.
//
// Main thread only; operations resume their coroutines there.

#include <chrono>
#include <memory>

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QUrl>
#include <QUrlQuery>

#include "community/store/RecordStore.hpp"

namespace tessorin {

class ServerRecordStore final : public RecordStore {
 public:
  struct Limits {
    std::chrono::milliseconds timeout{15'000};
    qint64 replyBytes = 4 * 1024 * 1024;
    // A save that got no answer, or 503, is sent again this often after a pause.
    int saveResends = 2;
    std::chrono::milliseconds resendPause{1000};
  };

  // settings must outlive the store.
  ServerRecordStore(QSettings& settings, QUrl server, Limits limits);
  ServerRecordStore(QSettings& settings, QUrl server) : ServerRecordStore(settings, std::move(server), Limits{}) {}
  ~ServerRecordStore() override;

  // https anywhere, or http to a loopback address.
  static bool isAcceptableServer(const QUrl& server);

  bool isUsable() const override { return usable_; }
  QCoro::Task<QueryPage> query(RecordQuery query) override;
  QCoro::Task<std::optional<Record>> save(Record record) override;
  QCoro::Task<AccountStatus> accountStatus() override;

  struct Reply {
    int status = 0;
    QByteArray body;
  };

 private:
  QCoro::Task<Reply> send(QByteArray method, QString path, QUrlQuery query, QByteArray body, QString token);
  // Registers a new identity; false when the server refused it.
  QCoro::Task<bool> registerAccount();
  QString serverKey() const;

  QSettings& settings_;
  QUrl server_;
  Limits limits_;
  bool usable_ = false;
  QNetworkAccessManager network_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tessorin
