#include "CommunityServer.hpp"

#include <charconv>

#include "ClientAddress.hpp"
#include "JsonText.hpp"
#include "PageJson.hpp"
#include "RecordJsonText.hpp"
#include "RecordRepository.hpp"
#include "Schema.hpp"
#include "community/rules/RecordJson.hpp"
#include "community/rules/ReportValidator.hpp"

namespace tessorin::server {

namespace {

using namespace std::chrono_literals;

const char* const json = "application/json";

// What the client shows: one sentence the user can act on.
struct Refusal {
  int status;
  RecordErrorCode code;
  std::string message;
};

void answer(httplib::Response& response, int status, const Record& record) {
  response.status = status;
  response.set_content(recordJsonText(record), json);
}

void refuse(httplib::Response& response, const Refusal& refusal) {
  response.status = refusal.status;
  response.set_content(refusalJson(static_cast<int>(refusal.code), refusal.message), json);
}

int statusFor(RecordErrorCode code) {
  switch (code) {
    case RecordErrorCode::unknownItem:
      return 404;
    case RecordErrorCode::serverRecordChanged:
      return 409;
    default:
      return 400;
  }
}

Refusal refusalForStatus(int status) {
  switch (status) {
    case 404:
      // Not the code of a missing record type: a client sent to a wrong address must not
      // take this for an empty community.
      return {404, RecordErrorCode::serverRejectedRequest, "There is nothing at this address."};
    case 405:
      return {405, RecordErrorCode::invalidArguments, "Use GET or POST as the address asks."};
    case 411:
      return {411, RecordErrorCode::invalidArguments, "Send the body with its length."};
    case 413:
      return {413, RecordErrorCode::limitExceeded, "Send a record of at most 16 KiB."};
    case 414:
      return {414, RecordErrorCode::invalidArguments, "Send a shorter address."};
    case 415:
      return {415, RecordErrorCode::invalidArguments, "Send the body uncompressed, without Content-Encoding."};
    case 416:
      return {416, RecordErrorCode::invalidArguments, "Ask for whole answers, without Range."};
    case 431:
      return {431, RecordErrorCode::invalidArguments, "Send fewer header lines."};
    case 500:
      return {500, RecordErrorCode::internalError, "The community server failed; try again later."};
    default:
      return {status, RecordErrorCode::invalidArguments, "Send a well-formed request."};
  }
}

std::optional<std::string> bearerToken(const httplib::Request& request) {
  const std::string header = request.get_header_value("Authorization");
  const std::string prefix = "Bearer ";
  if (header.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  std::string token = header.substr(prefix.size());
  if (token.size() != 64 || token.find_first_not_of("0123456789abcdef") != std::string::npos) return std::nullopt;
  return token;
}

std::optional<int> pageLimit(const httplib::Request& request, int maximum) {
  if (!request.has_param("limit")) return maximum;
  const std::string text = request.get_param_value("limit");
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1) return std::nullopt;
  return std::min(value, maximum);
}

BoundedHttpServer::Limits httpLimits(const ServerOptions& options) {
  BoundedHttpServer::Limits limits;
  // Room for a burst of connections from many clients at once: a connection the kernel
  // finds no room for waits a second or more for its client to try again, whoever it is
  // from. The kernel caps it at net.core.somaxconn (4096 on Debian 12).
  limits.listenBacklog = 4096;
  limits.connectionsPerAddress = static_cast<std::size_t>(options.connectionsPerAddress);
  // Half of the threads stay for requests that are here whole.
  limits.sendingConnections = static_cast<std::size_t>(std::max(1, options.threads / 2));
  return limits;
}

BoundedHttpServer::Refusals refusals() {
  const int code = static_cast<int>(RecordErrorCode::requestRateLimited);
  return {refusalJson(code, "Too many connections from this address; close some and try again."),
          refusalJson(code, "The community server is busy; try again in a moment."),
          refusalJson(static_cast<int>(RecordErrorCode::serverRejectedRequest),
                      "The community server has too many requests waiting; try again in a moment.")};
}

const Refusal unreachable{503, RecordErrorCode::serverRejectedRequest,
                          "The community server cannot reach its records right now; try again later."};

}  // namespace

CommunityServer::CommunityServer(const ServerOptions& options)
    : options_(options),
      log_(stderr),
      pool_(options.database, options.connections,
            PgConnection::Limits{std::chrono::milliseconds(options.statementTimeoutMs)},
            std::chrono::milliseconds(options.statementTimeoutMs)),
      direct_(BoundedHttpServer::Door::direct, httpLimits(options), refusals(), log_) {
  migrateSchema(*pool_.lease());
  route(direct_);
  if (!options.proxySocket.empty()) {
    proxy_ = std::make_unique<BoundedHttpServer>(BoundedHttpServer::Door::proxy, httpLimits(options), refusals(), log_);
    route(*proxy_);
  }
}

CommunityServer::~CommunityServer() { stop(); }

void CommunityServer::route(BoundedHttpServer& http) {
  http.set_payload_max_length(maximumBodyBytes);

  http.Post("/v1/authors", [this](const httplib::Request& q, httplib::Response& r) { registerAuthor(q, r); });
  http.Get("/v1/records", [this](const httplib::Request& q, httplib::Response& r) { listRecords(q, r); });
  http.Post("/v1/records", [this](const httplib::Request& q, httplib::Response& r) { saveRecord(q, r); });

  // Errors the library answers itself (an unknown address, a body too large) get the
  // same form as ours; ours keep their own.
  http.set_error_handler(httplib::Server::HandlerWithResponse(
      [](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        const Refusal refusal = refusalForStatus(response.status);
        response.set_content(refusalJson(static_cast<int>(refusal.code), refusal.message), json);
        return httplib::Server::HandlerResponse::Handled;
      }));
  http.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const PgError& failure) {
      // A value from the request that the database finds out of range is the client's
      // mistake, not an outage.
      if (failure.isDataException()) {
        refuse(response, {400, RecordErrorCode::invalidArguments, "Send values within the community's ranges."});
        return;
      }
    } catch (...) {
    }
    refuse(response, unreachable);
  });
}

int CommunityServer::start() {
  const int port = direct_.bind(options_.address, options_.port);
  if (port < 0) throw std::runtime_error("cannot listen on " + options_.address + ":" + std::to_string(options_.port));
  if (proxy_) proxy_->bindSocket(options_.proxySocket, options_.proxySocketGroup);
  const auto serve = [this](BoundedHttpServer& door, std::thread& serving, const std::string& where) {
    try {
      door.startThreads(static_cast<std::size_t>(options_.threads));
      serving = std::thread([&door] { door.listen_after_bind(); });
    } catch (const std::exception& error) {
      // Most likely the address space the process may have: a smaller --threads fits.
      throw std::runtime_error("cannot start the threads serving " + where + " (" + error.what() +
                               "); lower --threads (" + std::to_string(options_.threads) + ")");
    }
    // A stop before the loop runs would be missed and the loop would never end.
    for (auto waited = 0ms; !door.is_running(); waited += 1ms) {
      if (waited > 10s) throw std::runtime_error("the HTTP service did not start");
      std::this_thread::sleep_for(1ms);
    }
  };
  serve(direct_, servingDirect_, options_.address + ":" + std::to_string(port));
  if (proxy_) serve(*proxy_, servingProxy_, options_.proxySocket);
  return port;
}

void CommunityServer::stop() {
  direct_.stop();
  if (proxy_) proxy_->stop();
  if (servingDirect_.joinable()) servingDirect_.join();
  if (servingProxy_.joinable()) servingProxy_.join();
}

void CommunityServer::registerAuthor(const httplib::Request& request, httplib::Response& response) {
  // On the proxy's door, the client the proxy forwarded.
  auto connection = pool_.lease();
  const auto author =
      RecordRepository(*connection).registerAuthor(rateKey(request.remote_addr), options_.registrationsPerHour);
  if (!author) {
    refuse(response, {429, RecordErrorCode::requestRateLimited,
                      "Too many accounts were made from this address; try again in an hour."});
    return;
  }
  std::string body = R"({"author":)";
  appendJsonString(body, author->name);
  body += R"(,"token":)";
  appendJsonString(body, author->token);
  body += '}';
  response.status = 201;
  response.set_content(body, json);
}

void CommunityServer::listRecords(const httplib::Request& request, httplib::Response& response) {
  const QString type = QString::fromStdString(request.get_param_value("type"));
  if (!isKnownRecordType(type)) {
    refuse(response, {404, RecordErrorCode::unknownItem, "Ask for records of type StoreReport or ReportFlag."});
    return;
  }
  const bool reports = type == recordtypes::storeReport;
  const auto limit =
      pageLimit(request, reports ? RecordRepository::reportPageLimit : RecordRepository::flagPageLimit);
  if (!limit) {
    refuse(response, {400, RecordErrorCode::invalidArguments, "Give the page limit as a whole number above 0."});
    return;
  }
  std::optional<std::string> cursor;
  if (request.has_param("cursor")) cursor = request.get_param_value("cursor");
  std::optional<RecordRepository::Page> page;
  try {
    // The connection goes back before the page is written out.
    auto connection = pool_.lease();
    RecordRepository records(*connection);
    page = reports ? records.reports(*limit, cursor) : records.flags(*limit, cursor);
  } catch (const BadCursor&) {
    refuse(response, {400, RecordErrorCode::invalidArguments, "Continue with a cursor from an earlier page."});
    return;
  }
  response.status = 200;
  response.set_content(reports ? reportPageJson(*page) : flagPageJson(*page), json);
}

void CommunityServer::saveRecord(const httplib::Request& request, httplib::Response& response) {
  const std::optional<std::string> token = bearerToken(request);
  auto connection = pool_.lease();
  RecordRepository records(*connection);
  const std::optional<RecordRepository::Author> checked = token ? records.authorWithToken(*token) : std::nullopt;
  if (!checked) {
    refuse(response, {401, RecordErrorCode::notAuthenticated, "This community account is not known here; register again."});
    return;
  }
  Record record;
  try {
    record = recordFromJsonText(request.body);
  } catch (const RecordFormatError&) {
    refuse(response, {400, RecordErrorCode::invalidArguments, "Send one record in the community's JSON form."});
    return;
  }
  // The back end sets these, never the client.
  record.creationDate.reset();
  record.creator.reset();

  if (const auto refusal = validateRecord(record, [&](const QString& name) { return records.reportExists(name); })) {
    refuse(response, {statusFor(refusal->code), refusal->code, refusal->message.toStdString()});
    return;
  }
  const QString& author = checked->name;
  // No later than this server waits for its answer, on the database's clock.
  const std::int64_t latestMicros = checked->checkedMicros + std::int64_t{options_.statementTimeoutMs} * 1000;
  const bool isReport = record.recordType == recordtypes::storeReport;
  const Refusal nameTaken{409, RecordErrorCode::serverRecordChanged, "A record of this name exists; make a new name."};
  try {
    const RecordRepository::Save save =
        isReport ? records.saveReport(record, author, latestMicros, options_.reportsPerHour)
                 : records.saveFlag(record, author, latestMicros, options_.flagsPerHour);
    switch (save.outcome) {
      case RecordRepository::Save::Outcome::limited:
        refuse(response, {429, RecordErrorCode::requestRateLimited,
                          isReport ? "This account shared many reports in the last hour; try again later."
                                   : "This account flagged many reports in the last hour; try again later."});
        return;
      case RecordRepository::Save::Outcome::nameTaken:
        refuse(response, nameTaken);
        return;
      case RecordRepository::Save::Outcome::stored:
        // A flag the author made earlier under another name is the answer, not a new one.
        answer(response, save.record.recordName == record.recordName ? 201 : 200, save.record);
        return;
    }
  } catch (const PgError& error) {
    if (error.isUniqueViolation()) {
      refuse(response, nameTaken);
    } else if (error.isCheckViolation()) {
      refuse(response, {400, RecordErrorCode::invalidArguments, "Send a record whose fields keep the community's rules."});
    } else {
      throw;
    }
  }
}

}  // namespace tessorin::server
