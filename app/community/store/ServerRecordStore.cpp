#include "community/store/ServerRecordStore.hpp"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <qcoro/qcorotimer.h>
#include <qcoro/qcoronetworkreply.h>

#include "community/rules/RecordJson.hpp"
#include "community/rules/StoreTextRules.hpp"
#include "community/store/CommunityAccount.hpp"

namespace tessorin {

namespace {

QString tr(const char* text) { return QCoreApplication::translate("ServerRecordStore", text); }

RecordStoreError unreadableAnswer() {
  return {RecordErrorCode::internalError, tr("The community server’s answer could not be read.")};
}

// A server that does not know the community's own paths, or answers them with something
// else than the community's JSON, is not a community server: the address is wrong, which
// the user must hear rather than see an empty community.
RecordStoreError wrongAddress() {
  return {RecordErrorCode::serverRejectedRequest,
          tr("The community server’s address does not lead to a community server; check the setting "
             "\"CommunityServer\".")};
}

// The community's own answer that a record does not exist (a flag of a deleted report).
bool isCommunitysUnknownItem(const ServerRecordStore::Reply& reply) {
  try {
    const nlohmann::json body = nlohmann::json::parse(reply.body.toStdString());
    const auto code = body.find("code");
    return body.contains("message") && code != body.end() && code->is_number_integer() &&
           code->get<int>() == static_cast<int>(RecordErrorCode::unknownItem);
  } catch (const nlohmann::json::exception&) {
    return false;
  }
}

// The server's own message, as plain text of a sensible length, else its status.
RecordStoreError serverError(const ServerRecordStore::Reply& reply) {
  try {
    const nlohmann::json body = nlohmann::json::parse(reply.body.toStdString());
    const auto code = body.find("code");
    const auto message = body.find("message");
    if (code != body.end() && code->is_number_integer() && message != body.end() && message->is_string()) {
      return {code->get<int>(), firstCharacters(QString::fromStdString(message->get<std::string>()), 200)};
    }
  } catch (const nlohmann::json::exception&) {
    // Not the server's form of an error: say what can be said.
  }
  return {RecordErrorCode::serverRejectedRequest, tr("The community server answered with status %1.").arg(reply.status)};
}

bool succeeded(int status) { return status >= 200 && status < 300; }

}  // namespace

ServerRecordStore::ServerRecordStore(QSettings& settings, QUrl server, Limits limits)
    : settings_(settings), server_(std::move(server)), limits_(limits), usable_(isAcceptableServer(server_)) {}

ServerRecordStore::~ServerRecordStore() = default;

bool ServerRecordStore::isAcceptableServer(const QUrl& server) {
  if (!server.isValid() || server.host().isEmpty() || !server.query().isEmpty() || !server.fragment().isEmpty()) {
    return false;
  }
  if (server.scheme() == QLatin1String("https")) return true;
  if (server.scheme() != QLatin1String("http")) return false;
  // Plain http only where nothing travels over a network.
  const QString host = server.host();
  return host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
}

QString ServerRecordStore::serverKey() const { return server_.toString(QUrl::StripTrailingSlash); }

QCoro::Task<ServerRecordStore::Reply> ServerRecordStore::send(QByteArray method, QString path, QUrlQuery query,
                                                              QByteArray body, QString token) {
  QUrl url = server_;
  QString base = url.path();
  while (base.endsWith(QLatin1Char('/'))) base.chop(1);
  url.setPath(base + path);
  url.setQuery(query);
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
  if (!token.isEmpty()) request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
  // Uncompressed, so that the size limit counts what is really received.
  request.setRawHeader("Accept-Encoding", "identity");

  const std::weak_ptr<bool> alive = alive_;
  QNetworkReply* reply = network_.sendCustomRequest(request, method, body);
  bool timedOut = false;
  bool tooLarge = false;
  const qint64 limit = limits_.replyBytes;
  // Both live in this frame, which outlives the reply: the coroutine resumes only when
  // the reply has finished, and the timer and connection die with the reply.
  auto* timer = new QTimer(reply);
  timer->setSingleShot(true);
  QObject::connect(timer, &QTimer::timeout, reply, [reply, &timedOut] {
    timedOut = true;
    reply->abort();
  });
  timer->start(limits_.timeout);
  QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, &tooLarge, limit](qint64 received, qint64 total) {
    if (received > limit || total > limit) {
      tooLarge = true;
      reply->abort();
    }
  });
  QNetworkReply* finished = co_await reply;
  if (alive.expired()) throw RecordStoreError(RecordErrorCode::networkFailure, tr("The community store was closed."));
  std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> owner(finished, [](QNetworkReply* r) { r->deleteLater(); });
  if (tooLarge) throw RecordStoreError(RecordErrorCode::limitExceeded, tr("The community server’s answer is too large."));
  if (timedOut) throw RecordStoreError(RecordErrorCode::networkFailure, tr("The community server did not answer in time."));
  const int status = finished->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (status == 0) throw RecordStoreError(RecordErrorCode::networkFailure, finished->errorString());
  Reply answer{status, finished->readAll()};
  if (answer.body.size() > limit) {
    throw RecordStoreError(RecordErrorCode::limitExceeded, tr("The community server’s answer is too large."));
  }
  co_return answer;
}

QCoro::Task<bool> ServerRecordStore::registerAccount() {
  const std::weak_ptr<bool> alive = alive_;
  QCoro::Task<Reply> sending = send("POST", QStringLiteral("/v1/authors"), {}, QByteArrayLiteral("{}"), {});
  const Reply reply = co_await sending;
  if (alive.expired()) co_return false;
  if (reply.status == 404) throw wrongAddress();
  if (reply.status >= 400 && reply.status < 500) co_return false;
  if (!succeeded(reply.status)) throw serverError(reply);
  try {
    const nlohmann::json body = nlohmann::json::parse(reply.body.toStdString());
    const CommunityAccount account{serverKey(), QString::fromStdString(body.at("author").get<std::string>()),
                                   QString::fromStdString(body.at("token").get<std::string>())};
    if (account.author.isEmpty() || account.token.isEmpty()) throw unreadableAnswer();
    account.store(settings_);
  } catch (const nlohmann::json::exception&) {
    throw unreadableAnswer();
  }
  co_return true;
}

QCoro::Task<AccountStatus> ServerRecordStore::accountStatus() {
  if (!usable_) co_return AccountStatus::noAccount;
  if (CommunityAccount::stored(settings_, serverKey())) co_return AccountStatus::available;
  QCoro::Task<bool> registering = registerAccount();
  const bool registered = co_await registering;
  co_return registered ? AccountStatus::available : AccountStatus::noAccount;
}

QCoro::Task<std::optional<Record>> ServerRecordStore::save(Record record) {
  if (!usable_) throw RecordStoreError(RecordErrorCode::internalError, tr("The community server’s address is not valid."));
  const std::weak_ptr<bool> alive = alive_;
  const QByteArray body = QByteArray::fromStdString(recordToJson(record).dump());
  // A token the server no longer knows is replaced once.
  int resent = 0;
  for (int attempt = 0;; ++attempt) {
    std::optional<CommunityAccount> account = CommunityAccount::stored(settings_, serverKey());
    if (!account) {
      QCoro::Task<bool> registering = registerAccount();
      const bool registered = co_await registering;
      if (alive.expired()) co_return std::nullopt;
      account = CommunityAccount::stored(settings_, serverKey());
      if (!registered || !account) {
        throw RecordStoreError(RecordErrorCode::notAuthenticated, tr("The community server refused a new account."));
      }
    }
    QCoro::Task<Reply> sending = send("POST", QStringLiteral("/v1/records"), {}, body, account->token);
    std::optional<Reply> answered;
    try {
      answered = co_await sending;
    } catch (const RecordStoreError& error) {
      if (error.code != RecordErrorCode::networkFailure || resent >= limits_.saveResends || alive.expired()) throw;
    }
    if (alive.expired()) co_return std::nullopt;
    // The same record again, under its own name: the server acknowledges a record it
    // already holds, so a save whose answer was lost is never stored twice.
    if ((!answered || answered->status == 503) && resent < limits_.saveResends) {
      ++resent;
      QCoro::Task<> pausing = QCoro::sleepFor(limits_.resendPause);
      co_await pausing;
      if (alive.expired()) co_return std::nullopt;
      --attempt;
      continue;
    }
    const Reply reply = *answered;
    if (reply.status == 401) {
      CommunityAccount::drop(settings_);
      if (attempt == 0) continue;
      throw serverError(reply);
    }
    if (reply.status == 404 && !isCommunitysUnknownItem(reply)) throw wrongAddress();
    if (!succeeded(reply.status)) throw serverError(reply);
    try {
      co_return recordFromJson(nlohmann::json::parse(reply.body.toStdString()));
    } catch (const std::exception&) {
      // Saved, perhaps, but nothing that says so came back.
      co_return std::nullopt;
    }
  }
}

QCoro::Task<QueryPage> ServerRecordStore::query(RecordQuery query) {
  if (!usable_) throw RecordStoreError(RecordErrorCode::internalError, tr("The community server’s address is not valid."));
  QUrlQuery parameters;
  parameters.addQueryItem(QStringLiteral("type"), query.recordType);
  parameters.addQueryItem(QStringLiteral("limit"), QString::number(query.limit));
  if (query.cursor) parameters.addQueryItem(QStringLiteral("cursor"), *query.cursor);
  QCoro::Task<Reply> sending = send("GET", QStringLiteral("/v1/records"), parameters, {}, {});
  const Reply reply = co_await sending;
  // The community server knows both record types: a 404 here comes from another server.
  if (reply.status == 404) throw wrongAddress();
  if (!succeeded(reply.status)) throw serverError(reply);
  nlohmann::json body;
  try {
    body = nlohmann::json::parse(reply.body.toStdString());
  } catch (const nlohmann::json::exception&) {
    throw wrongAddress();
  }
  const auto records = body.is_object() ? body.find("records") : body.end();
  if (records == body.end() || !records->is_array()) throw wrongAddress();
  QueryPage page;
  for (const nlohmann::json& element : *records) {
    try {
      Record record = recordFromJson(element);
      if (record.recordType != query.recordType) throw RecordFormatError("a record of another type");
      page.results.emplace_back(std::move(record));
    } catch (const RecordFormatError& error) {
      page.results.emplace_back(RecordStoreError(RecordErrorCode::internalError, QString::fromUtf8(error.what())));
    }
  }
  if (const auto cursor = body.find("cursor"); cursor != body.end() && cursor->is_string()) {
    page.cursor = QString::fromStdString(cursor->get<std::string>());
  }
  co_return page;
}

}  // namespace tessorin
