#include "community/rules/RecordJson.hpp"

#include <string>

namespace tessorin {

namespace {

std::string utf8(const QString& text) { return text.toStdString(); }

QString textAt(const nlohmann::json& object, const char* key) {
  const auto found = object.find(key);
  if (found == object.end() || !found->is_string()) {
    throw RecordFormatError(std::string("\"") + key + "\" must be a text");
  }
  return QString::fromStdString(found->get<std::string>());
}

RecordValue valueFromJson(const std::string& key, const nlohmann::json& typed) {
  if (!typed.is_object() || typed.size() != 1) {
    throw RecordFormatError("field \"" + key + "\" must be an object with one typed value");
  }
  const auto only = typed.begin();
  const std::string& type = only.key();
  const nlohmann::json& value = only.value();
  if (type == "text" && value.is_string()) return QString::fromStdString(value.get<std::string>());
  if (type == "int64" && value.is_number_integer()) {
    if (value.is_number_unsigned() && value.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)) {
      throw RecordFormatError("field \"" + key + "\" is out of the 64-bit range");
    }
    return value.get<std::int64_t>();
  }
  if (type == "double" && value.is_number()) return value.get<double>();
  if (type == "reference" && value.is_string()) return RecordReference{QString::fromStdString(value.get<std::string>())};
  throw RecordFormatError("field \"" + key + "\" has no value of a known type");
}

nlohmann::json valueToJson(const RecordValue& value) {
  return std::visit(
      [](const auto& v) -> nlohmann::json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, QString>) return {{"text", v.toStdString()}};
        if constexpr (std::is_same_v<T, std::int64_t>) return {{"int64", v}};
        if constexpr (std::is_same_v<T, double>) return {{"double", v}};
        if constexpr (std::is_same_v<T, RecordReference>) return {{"reference", v.recordName.toStdString()}};
      },
      value);
}

}  // namespace

std::int64_t microsecondsSinceEpoch(const QDateTime& date) { return date.toMSecsSinceEpoch() * 1000; }

QDateTime dateFromMicroseconds(std::int64_t microseconds) {
  // Floor division, so a time before 1970 does not round towards it.
  std::int64_t milliseconds = microseconds / 1000;
  if (microseconds % 1000 < 0) --milliseconds;
  return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
}

nlohmann::json fieldsToJson(const std::map<QString, RecordValue>& fields) {
  nlohmann::json object = nlohmann::json::object();
  for (const auto& [key, value] : fields) object[utf8(key)] = valueToJson(value);
  return object;
}

std::map<QString, RecordValue> fieldsFromJson(const nlohmann::json& json) {
  if (!json.is_object()) throw RecordFormatError("\"fields\" must be an object");
  std::map<QString, RecordValue> fields;
  for (const auto& [key, typed] : json.items()) fields.emplace(QString::fromStdString(key), valueFromJson(key, typed));
  return fields;
}

nlohmann::json recordToJson(const Record& record) {
  nlohmann::json json{{"recordType", utf8(record.recordType)},
                      {"recordName", utf8(record.recordName)},
                      {"fields", fieldsToJson(record.fields)}};
  if (record.creationDate) json["created"] = microsecondsSinceEpoch(*record.creationDate);
  if (record.creator) json["creator"] = utf8(*record.creator);
  return json;
}

Record recordFromJson(const nlohmann::json& json) {
  if (!json.is_object()) throw RecordFormatError("a record must be an object");
  Record record;
  record.recordType = textAt(json, "recordType");
  record.recordName = textAt(json, "recordName");
  const auto fields = json.find("fields");
  if (fields == json.end()) throw RecordFormatError("\"fields\" is missing");
  record.fields = fieldsFromJson(*fields);
  if (const auto created = json.find("created"); created != json.end()) {
    if (!created->is_number_integer()) throw RecordFormatError("\"created\" must be an integer");
    record.creationDate = dateFromMicroseconds(created->get<std::int64_t>());
  }
  if (json.contains("creator")) record.creator = textAt(json, "creator");
  return record;
}

}  // namespace tessorin
