#include "shell/update/feed/UpdateFeed.hpp"

#include <nlohmann/json.hpp>

#include "shell/update/feed/SafeUpdateUrl.hpp"

namespace tessorin {

namespace {

std::optional<QString> textField(const nlohmann::json& object, const char* name) {
  const auto field = object.find(name);
  if (field == object.end() || !field->is_string()) return std::nullopt;
  return QString::fromStdString(field->get<std::string>());
}

}  // namespace

std::optional<UpdateFeed> UpdateFeed::parse(const QByteArray& verifiedBytes) {
  const auto object = nlohmann::json::parse(verifiedBytes.begin(), verifiedBytes.end(), nullptr, false);
  if (!object.is_object()) return std::nullopt;
  const auto versionText = textField(object, "version");
  const auto publishedText = textField(object, "published");
  const auto urlText = textField(object, "url");
  const auto notes = textField(object, "notes");
  if (!versionText || !publishedText || !urlText || !notes) return std::nullopt;

  auto version = AppVersion::parse(*versionText);
  const QDateTime published = QDateTime::fromString(*publishedText, Qt::ISODate);
  const QUrl url(*urlText, QUrl::StrictMode);
  if (!version || !published.isValid() || !isSafeUpdateUrl(url)) return std::nullopt;
  return UpdateFeed{*std::move(version), published, url, *notes};
}

}  // namespace tessorin
