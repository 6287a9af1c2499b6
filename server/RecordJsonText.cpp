#include "RecordJsonText.hpp"

#include <limits>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

#include "JsonText.hpp"
#include "community/rules/RecordJson.hpp"

namespace tessorin::server {

namespace {

using Json = nlohmann::json;

// The parser's events taken straight into a Record. A key given twice is refused: a tree
// would keep the last one silently, and a record that means two things to two readers is
// no record.
class RecordEvents {
 public:
  bool null() { return scalar(Scalar{}); }
  bool boolean(bool) { return scalar(Scalar{}); }
  bool number_integer(Json::number_integer_t value) { return scalar(Scalar{Scalar::Kind::integer, value}); }
  bool number_unsigned(Json::number_unsigned_t value) {
    return scalar(Scalar{Scalar::Kind::unsignedInteger, 0, value});
  }
  bool number_float(Json::number_float_t value, const Json::string_t&) {
    return scalar(Scalar{Scalar::Kind::floating, 0, 0, value});
  }
  bool string(Json::string_t& value) { return scalar(Scalar{Scalar::Kind::text, 0, 0, 0, &value}); }
  bool binary(Json::binary_t&) { return fail("a record must be JSON text"); }

  bool start_object(std::size_t) {
    if (where_ == Where::skipping) return nestDeeper();
    if (where_ == Where::start) {
      where_ = Where::record;
      return true;
    }
    if (where_ == Where::record && key_ == "fields") {
      where_ = Where::fields;
      return true;
    }
    if (where_ == Where::fields) {
      where_ = Where::typed;
      typeKey_.reset();
      return true;
    }
    return containerInPlaceOfValue();
  }

  bool start_array(std::size_t) {
    if (where_ == Where::skipping) return nestDeeper();
    if (where_ == Where::start) return fail("a record must be an object");
    return containerInPlaceOfValue();
  }

  bool end_object() {
    switch (where_) {
      case Where::record:
        where_ = Where::done;
        return true;
      case Where::fields:
        where_ = Where::record;
        return true;
      case Where::typed:
        if (!typeKey_) return failForField();
        where_ = Where::fields;
        return true;
      case Where::skipping:
        return leaveSkipped();
      case Where::start:
      case Where::done:
        break;
    }
    return fail("a record must be one object");
  }

  bool end_array() { return where_ == Where::skipping ? leaveSkipped() : fail("a record must be one object"); }

  bool key(Json::string_t& key) {
    switch (where_) {
      case Where::record:
        if (!topKeys_.insert(key).second) return fail("\"" + key + "\" is given twice");
        key_ = key;
        return true;
      case Where::fields:
        fieldKey_ = QString::fromStdString(key);
        if (record_.fields.count(fieldKey_) > 0) return fail("field \"" + key + "\" is given twice");
        return true;
      case Where::typed:
        if (typeKey_) return failForField();
        typeKey_ = key;
        return true;
      case Where::skipping:
        return true;
      case Where::start:
      case Where::done:
        break;
    }
    return fail("a record must be one object");
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    return fail("a record must be JSON text");
  }

  Record finish() {
    if (error_) throw RecordFormatError(*error_);
    if (where_ != Where::done) throw RecordFormatError("a record must be one object");
    for (const char* required : {"recordType", "recordName"}) {
      if (topKeys_.count(required) == 0) throw RecordFormatError(std::string("\"") + required + "\" must be a text");
    }
    if (topKeys_.count("fields") == 0) throw RecordFormatError("\"fields\" is missing");
    return std::move(record_);
  }

 private:
  enum class Where { start, record, fields, typed, skipping, done };

  struct Scalar {
    enum class Kind { other, integer, unsignedInteger, floating, text };
    Kind kind = Kind::other;
    std::int64_t integer = 0;
    std::uint64_t unsignedInteger = 0;
    double floating = 0;
    std::string* text = nullptr;

    bool isInteger() const { return kind == Kind::integer || kind == Kind::unsignedInteger; }
    bool isNumber() const { return isInteger() || kind == Kind::floating; }
    // As the tree's get<std::int64_t> reads it.
    std::int64_t asInt64() const {
      return kind == Kind::unsignedInteger ? static_cast<std::int64_t>(unsignedInteger) : integer;
    }
    double asDouble() const {
      if (kind == Kind::integer) return static_cast<double>(integer);
      if (kind == Kind::unsignedInteger) return static_cast<double>(unsignedInteger);
      return floating;
    }
  };

  bool scalar(const Scalar& value) {
    switch (where_) {
      case Where::start:
        return fail("a record must be an object");
      case Where::record:
        return topValue(value);
      case Where::fields:
        return failForField();
      case Where::typed:
        return typedValue(value);
      case Where::skipping:
        return true;
      case Where::done:
        break;
    }
    return fail("a record must be one object");
  }

  bool topValue(const Scalar& value) {
    if (key_ == "created") {
      if (!value.isInteger()) return fail("\"created\" must be an integer");
      record_.creationDate = dateFromMicroseconds(value.asInt64());
      return true;
    }
    QString* text = key_ == "recordType" ? &record_.recordType
                    : key_ == "recordName" ? &record_.recordName
                    : nullptr;
    if (key_ == "creator") text = &record_.creator.emplace();
    if (text == nullptr) return knownKey() ? failForKey() : true;
    if (value.kind != Scalar::Kind::text) return failForKey();
    *text = QString::fromStdString(*value.text);
    return true;
  }

  bool typedValue(const Scalar& value) {
    const std::string& type = *typeKey_;
    if ((type == "text" || type == "reference") && value.kind == Scalar::Kind::text) {
      const QString text = QString::fromStdString(*value.text);
      record_.fields[fieldKey_] = type == "text" ? RecordValue(text) : RecordValue(RecordReference{text});
      return true;
    }
    if (type == "int64" && value.isInteger()) {
      if (value.kind == Scalar::Kind::unsignedInteger &&
          value.unsignedInteger > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return fail("field \"" + fieldKey_.toStdString() + "\" is out of the 64-bit range");
      }
      record_.fields[fieldKey_] = value.asInt64();
      return true;
    }
    if (type == "double" && value.isNumber()) {
      record_.fields[fieldKey_] = value.asDouble();
      return true;
    }
    return failForField();
  }

  // An object or array where the record holds no container: refused for a key or field
  // the record knows, passed over for any other key.
  bool containerInPlaceOfValue() {
    switch (where_) {
      case Where::record:
        return knownKey() ? failForKey() : skip();
      case Where::fields:
      case Where::typed:
        return failForField();
      case Where::start:
      case Where::skipping:
      case Where::done:
        break;
    }
    return fail("a record must be one object");
  }

  bool nestDeeper() {
    ++skipDepth_;
    return true;
  }

  bool knownKey() const {
    return key_ == "recordType" || key_ == "recordName" || key_ == "creator" || key_ == "created" || key_ == "fields";
  }

  bool skip() {
    where_ = Where::skipping;
    skipDepth_ = 1;
    return true;
  }

  bool leaveSkipped() {
    if (--skipDepth_ == 0) where_ = Where::record;
    return true;
  }

  bool failForKey() {
    return fail("\"" + key_ + (key_ == "created" ? "\" must be an integer" : key_ == "fields" ? "\" must be an object"
                                                                                              : "\" must be a text"));
  }
  bool failForField() {
    return fail("field \"" + fieldKey_.toStdString() + "\" must be an object with one value of a known type");
  }
  bool fail(std::string message) {
    if (!error_) error_ = std::move(message);
    return false;
  }

  Where where_ = Where::start;
  std::string key_;
  std::set<std::string> topKeys_;
  QString fieldKey_;
  std::optional<std::string> typeKey_;
  int skipDepth_ = 0;
  Record record_;
  std::optional<std::string> error_;
};

void appendValue(std::string& out, const RecordValue& value) {
  std::visit(
      [&out](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, QString>) {
          out += R"({"text":)";
          appendJsonString(out, v.toStdString());
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          out += R"({"int64":)";
          out += std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
          out += R"({"double":)";
          appendJsonNumber(out, v);
        } else {
          out += R"({"reference":)";
          appendJsonString(out, v.recordName.toStdString());
        }
      },
      value);
  out += '}';
}

}  // namespace

Record recordFromJsonText(std::string_view text) {
  RecordEvents events;
  Json::sax_parse(text, &events);
  return events.finish();
}

std::string recordJsonText(const Record& record) {
  std::string out = R"({"recordType":)";
  appendJsonString(out, record.recordType.toStdString());
  out += R"(,"recordName":)";
  appendJsonString(out, record.recordName.toStdString());
  out += R"(,"fields":{)";
  bool first = true;
  for (const auto& [key, value] : record.fields) {
    if (!first) out += ',';
    first = false;
    appendJsonString(out, key.toStdString());
    out += ':';
    appendValue(out, value);
  }
  out += '}';
  if (record.creationDate) out += R"(,"created":)" + std::to_string(microsecondsSinceEpoch(*record.creationDate));
  if (record.creator) {
    out += R"(,"creator":)";
    appendJsonString(out, record.creator->toStdString());
  }
  out += '}';
  return out;
}

}  // namespace tessorin::server
