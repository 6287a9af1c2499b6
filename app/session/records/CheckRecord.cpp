#include "session/records/CheckRecord.hpp"

#include "session/records/JsonFields.hpp"
#include "tessorin/posix/HashCombine.hpp"

namespace tessorin {

void to_json(nlohmann::json& json, const CheckRecord& record) {
  using namespace jsonfields;
  json = nlohmann::json::object();
  json["id"] = uuidText(record.id);
  json["date"] = dateText(record.date);
  json["cardName"] = record.cardName;
  json["advertisedBytes"] = record.advertisedBytes;
  putOptional(json, "realBytes", record.realBytes);
  json["verdict"] = std::string(record.verdict.rawValue());
  json["method"] = std::string(record.method.rawValue());
  if (record.brand) json["brand"] = std::string(record.brand->rawValue());
  putOptional(json, "brandName", record.brandName);
  putOptional(json, "manufacturerID", record.manufacturerID);
  putOptional(json, "oemID", record.oemID);
  putOptional(json, "productName", record.productName);
  putOptional(json, "serial", record.serial);
  putOptional(json, "testedBytes", record.testedBytes);
  putFinite(json, "writeSpeed", record.writeSpeed);
  putFinite(json, "readSpeed", record.readSpeed);
  putOptional(json, "purchase", record.purchase);
  putOptional(json, "sharedRecordName", record.sharedRecordName);
}

void from_json(const nlohmann::json& json, CheckRecord& record) {
  using namespace jsonfields;
  requireObject(json, "check record");
  record.id = requiredUuid(json, "id");
  record.date = requiredDate(json, "date");
  record.cardName = requiredText(json, "cardName");
  record.advertisedBytes = requiredUnsigned<std::uint64_t>(json, "advertisedBytes");
  record.realBytes = optionalUnsigned<std::uint64_t>(json, "realBytes");
  record.verdict = requiredCase<CheckOutcome::Verdict>(json, "verdict", CheckOutcome::Verdict::fromRawValue);
  record.method = requiredCase<CheckOutcome::Method>(json, "method", CheckOutcome::Method::fromRawValue);
  record.brand = optionalCase<Brand>(json, "brand", Brand::fromRawValue);
  record.brandName = optionalText(json, "brandName");
  record.manufacturerID = optionalUnsigned<std::uint8_t>(json, "manufacturerID");
  record.oemID = optionalText(json, "oemID");
  record.productName = optionalText(json, "productName");
  record.serial = optionalText(json, "serial");
  record.testedBytes = optionalUnsigned<std::uint64_t>(json, "testedBytes");
  record.writeSpeed = optionalNumber(json, "writeSpeed");
  record.readSpeed = optionalNumber(json, "readSpeed");
  if (const nlohmann::json* purchase = optionalField(json, "purchase")) {
    record.purchase = purchase->get<Purchase>();
  } else {
    record.purchase.reset();
  }
  record.sharedRecordName = optionalText(json, "sharedRecordName");
}

}  // namespace tessorin

std::size_t std::hash<tessorin::CheckRecord>::operator()(const tessorin::CheckRecord& record) const noexcept {
  std::size_t seed = 0;
  tessorin::hashField(seed, qHash(record.id));
  tessorin::hashField(seed, qHash(record.date));
  tessorin::hashField(seed, record.cardName);
  tessorin::hashField(seed, record.advertisedBytes);
  tessorin::hashField(seed, record.realBytes);
  tessorin::hashField(seed, record.verdict);
  tessorin::hashField(seed, record.method);
  tessorin::hashField(seed, record.brand);
  tessorin::hashField(seed, record.brandName);
  tessorin::hashField(seed, record.manufacturerID);
  tessorin::hashField(seed, record.oemID);
  tessorin::hashField(seed, record.productName);
  tessorin::hashField(seed, record.serial);
  tessorin::hashField(seed, record.testedBytes);
  tessorin::hashField(seed, record.writeSpeed);
  tessorin::hashField(seed, record.readSpeed);
  tessorin::hashField(seed, record.purchase);
  tessorin::hashField(seed, record.sharedRecordName);
  return seed;
}
