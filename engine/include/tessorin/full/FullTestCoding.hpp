#pragma once
// The JSON form of the advanced test's stored records (TestManifest and its files, the
// write stop, speed samples and summaries), through nlohmann/json: `json = manifest`
// and `json.get<TestManifest>()`. Each field's name is its key. Decoding is strict:
// every key must be there with the right JSON type (integers exact and in range, never
// rounded from fractions), keys that name no field are ignored, and anything else throws
// RecordDecodingError: a record that does not read back is never filled with defaults.
// Pure functions, callable from any thread.

#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "tessorin/full/FullTestWriteStop.hpp"
#include "tessorin/full/SpeedSample.hpp"
#include "tessorin/full/SpeedSummary.hpp"
#include "tessorin/full/TestManifest.hpp"

namespace tessorin {

class RecordDecodingError : public std::runtime_error {
 public:
  enum class Kind { keyNotFound, typeMismatch, dataCorrupted };

  // codingPath: the keys down to the value at fault, e.g. "writeStop.ioError.code".
  RecordDecodingError(Kind kind, std::string codingPath, const std::string& description)
      : std::runtime_error(description), kind_(kind), codingPath_(std::move(codingPath)) {}

  Kind kind() const { return kind_; }
  const std::string& codingPath() const { return codingPath_; }

 private:
  Kind kind_;
  std::string codingPath_;
};

void to_json(nlohmann::json& json, const SpeedSample& sample);
void from_json(const nlohmann::json& json, SpeedSample& sample);

void to_json(nlohmann::json& json, const SpeedSummary& summary);
void from_json(const nlohmann::json& json, SpeedSummary& summary);

// One key naming the case ("completed", "diskFull", "ioError"), holding an object: empty,
// or "code" and "position" for ioError.
void to_json(nlohmann::json& json, const FullTestWriteStop& stop);
void from_json(const nlohmann::json& json, FullTestWriteStop& stop);

void to_json(nlohmann::json& json, const TestManifest::File& file);
void from_json(const nlohmann::json& json, TestManifest::File& file);

void to_json(nlohmann::json& json, const TestManifest& manifest);
void from_json(const nlohmann::json& json, TestManifest& manifest);

}  // namespace tessorin
