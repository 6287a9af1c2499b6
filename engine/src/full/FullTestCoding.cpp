#include "tessorin/full/FullTestCoding.hpp"

#include <cstdint>
#include <limits>
#include <string_view>

namespace tessorin {

namespace {

using nlohmann::json;
using Kind = RecordDecodingError::Kind;

constexpr const char* completedKey = "completed";
constexpr const char* diskFullKey = "diskFull";
constexpr const char* ioErrorKey = "ioError";

std::string join(const std::string& path, std::string_view key) {
  return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string describedPath(const std::string& path) { return path.empty() ? "the top level" : "\"" + path + "\""; }

[[noreturn]] void mismatch(const std::string& path, std::string_view expected) {
  throw RecordDecodingError(Kind::typeMismatch, path,
                            "Expected " + std::string(expected) + " at " + describedPath(path) + ".");
}

[[noreturn]] void corrupted(const std::string& path, std::string_view why) {
  throw RecordDecodingError(Kind::dataCorrupted, path, describedPath(path) + ": " + std::string(why));
}

const json& requireObject(const json& value, const std::string& path) {
  if (!value.is_object()) mismatch(path, "an object");
  return value;
}

const json& field(const json& object, const std::string& path, const char* key) {
  const auto found = object.find(key);
  if (found == object.end()) {
    throw RecordDecodingError(Kind::keyNotFound, join(path, key),
                              "No value associated with key \"" + std::string(key) + "\" at " +
                                  describedPath(path) + ".");
  }
  return *found;
}

// nlohmann keeps non-negative, negative and fractional numbers apart; a value built in
// memory from a signed integer is non-negative yet "integer", so both are taken.
std::uint64_t unsignedField(const json& object, const std::string& path, const char* key) {
  const json& value = field(object, path, key);
  if (value.is_number_unsigned()) return value.get<std::uint64_t>();
  if (value.is_number_integer() && value.get<std::int64_t>() >= 0) {
    return static_cast<std::uint64_t>(value.get<std::int64_t>());
  }
  mismatch(join(path, key), "an unsigned 64-bit integer");
}

std::int32_t int32Field(const json& object, const std::string& path, const char* key) {
  const json& value = field(object, path, key);
  if (!value.is_number_integer()) mismatch(join(path, key), "a signed 32-bit integer");  // unsigned counts too
  const bool fits = value.is_number_unsigned()
                        ? value.get<std::uint64_t>() <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())
                        : value.get<std::int64_t>() >= std::numeric_limits<std::int32_t>::min() &&
                              value.get<std::int64_t>() <= std::numeric_limits<std::int32_t>::max();
  if (!fits) corrupted(join(path, key), "the number does not fit in a signed 32-bit integer");
  return static_cast<std::int32_t>(value.get<std::int64_t>());
}

double doubleField(const json& object, const std::string& path, const char* key) {
  const json& value = field(object, path, key);
  if (!value.is_number()) mismatch(join(path, key), "a number");
  return value.get<double>();
}

std::string textField(const json& object, const std::string& path, const char* key) {
  const json& value = field(object, path, key);
  if (!value.is_string()) mismatch(join(path, key), "text");
  return value.get<std::string>();
}

const json& arrayField(const json& object, const std::string& path, const char* key) {
  const json& value = field(object, path, key);
  if (!value.is_array()) mismatch(join(path, key), "an array");
  return value;
}

template <class Record, class Decode>
std::vector<Record> decodeArray(const json& object, const std::string& path, const char* key, Decode decode) {
  const json& array = arrayField(object, path, key);
  std::vector<Record> records;
  records.reserve(array.size());
  for (std::size_t i = 0; i < array.size(); ++i) {
    records.push_back(decode(array[i], join(path, key) + "[" + std::to_string(i) + "]"));
  }
  return records;
}

SpeedSample decodeSample(const json& value, const std::string& path) {
  requireObject(value, path);
  return SpeedSample{unsignedField(value, path, "position"), doubleField(value, path, "bytesPerSecond")};
}

SpeedSummary decodeSummary(const json& value, const std::string& path) {
  requireObject(value, path);
  return SpeedSummary{doubleField(value, path, "average"), doubleField(value, path, "minimum"),
                      doubleField(value, path, "maximum")};
}

FullTestWriteStop decodeWriteStop(const json& value, const std::string& path) {
  requireObject(value, path);
  int cases = 0;
  for (const char* key : {completedKey, diskFullKey, ioErrorKey}) cases += value.contains(key) ? 1 : 0;
  if (cases != 1) {
    throw RecordDecodingError(Kind::typeMismatch, path, "Invalid number of keys found, expected one.");
  }
  if (value.contains(completedKey)) {
    requireObject(value[completedKey], join(path, completedKey));
    return FullTestWriteStop::completed();
  }
  if (value.contains(diskFullKey)) {
    requireObject(value[diskFullKey], join(path, diskFullKey));
    return FullTestWriteStop::diskFull();
  }
  const std::string casePath = join(path, ioErrorKey);
  const json& payload = requireObject(value[ioErrorKey], casePath);
  return FullTestWriteStop::ioError(int32Field(payload, casePath, "code"),
                                    unsignedField(payload, casePath, "position"));
}

// The name is joined to the test folder's path when the files are read back and deleted:
// anything but a plain file name could reach outside it.
bool isPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

TestManifest::File decodeFile(const json& value, const std::string& path) {
  requireObject(value, path);
  TestManifest::File file;
  file.name = textField(value, path, "name");
  if (!isPlainFileName(file.name)) corrupted(join(path, "name"), "not a plain file name");
  file.start = unsignedField(value, path, "start");
  file.length = unsignedField(value, path, "length");
  return file;
}

TestManifest decodeManifest(const json& value, const std::string& path) {
  requireObject(value, path);
  TestManifest manifest;
  manifest.session = unsignedField(value, path, "session");
  if (manifest.session == 0) corrupted(join(path, "session"), "a test session number is never 0");
  manifest.files = decodeArray<TestManifest::File>(value, path, "files", decodeFile);
  manifest.plannedBytes = unsignedField(value, path, "plannedBytes");
  // The read-back walks every file and the map spans the planned bytes: a file outside
  // them, or one whose end does not fit in 64 bits, was never written by a test.
  for (std::size_t i = 0; i < manifest.files.size(); ++i) {
    const TestManifest::File& file = manifest.files[i];
    if (file.start > manifest.plannedBytes || file.length > manifest.plannedBytes - file.start) {
      corrupted(join(path, "files") + "[" + std::to_string(i) + "]", "lies outside the planned bytes");
    }
  }
  manifest.usedBytesBefore = unsignedField(value, path, "usedBytesBefore");
  manifest.volumeBytes = unsignedField(value, path, "volumeBytes");
  manifest.writeStop = decodeWriteStop(field(value, path, "writeStop"), join(path, "writeStop"));
  manifest.writeSpeed = decodeSummary(field(value, path, "writeSpeed"), join(path, "writeSpeed"));
  manifest.writeSamples = decodeArray<SpeedSample>(value, path, "writeSamples", decodeSample);
  manifest.writeDuration = doubleField(value, path, "writeDuration");
  return manifest;
}

}  // namespace

void to_json(json& out, const SpeedSample& sample) {
  out = json::object();
  out["position"] = sample.position;
  out["bytesPerSecond"] = sample.bytesPerSecond;
}

void from_json(const json& in, SpeedSample& sample) { sample = decodeSample(in, ""); }

void to_json(json& out, const SpeedSummary& summary) {
  out = json::object();
  out["average"] = summary.average;
  out["minimum"] = summary.minimum;
  out["maximum"] = summary.maximum;
}

void from_json(const json& in, SpeedSummary& summary) { summary = decodeSummary(in, ""); }

void to_json(json& out, const FullTestWriteStop& stop) {
  out = json::object();
  switch (stop.kind) {
    case FullTestWriteStop::Kind::completed:
      out[completedKey] = json::object();
      break;
    case FullTestWriteStop::Kind::diskFull:
      out[diskFullKey] = json::object();
      break;
    case FullTestWriteStop::Kind::ioError:
      out[ioErrorKey] = json{{"code", stop.code}, {"position", stop.position}};
      break;
  }
}

void from_json(const json& in, FullTestWriteStop& stop) { stop = decodeWriteStop(in, ""); }

void to_json(json& out, const TestManifest::File& file) {
  out = json::object();
  out["name"] = file.name;
  out["start"] = file.start;
  out["length"] = file.length;
}

void from_json(const json& in, TestManifest::File& file) { file = decodeFile(in, ""); }

void to_json(json& out, const TestManifest& manifest) {
  out = json::object();
  out["session"] = manifest.session;
  out["files"] = manifest.files;
  out["plannedBytes"] = manifest.plannedBytes;
  out["usedBytesBefore"] = manifest.usedBytesBefore;
  out["volumeBytes"] = manifest.volumeBytes;
  out["writeStop"] = manifest.writeStop;
  out["writeSpeed"] = manifest.writeSpeed;
  out["writeSamples"] = manifest.writeSamples;
  out["writeDuration"] = manifest.writeDuration;
}

void from_json(const json& in, TestManifest& manifest) { manifest = decodeManifest(in, ""); }

}  // namespace tessorin
