#include "PageJson.hpp"

#include <charconv>
#include <set>

#include "JsonText.hpp"

namespace tessorin::server {

namespace {

// The database's own text of a double may use forms a JSON reader does not take.
void appendDouble(std::string& out, std::string_view text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  appendJsonNumber(out, value);
}

// Whole milliseconds, as a record's creation date holds them.
void appendCreated(std::string& out, const PgResult& rows, int row, int column) {
  std::int64_t micros = rows.integer(row, column);
  std::int64_t millis = micros / 1000;
  if (micros % 1000 < 0) --millis;
  out += std::to_string(millis * 1000);
}

const std::set<std::string_view> integerKeys{"advertisedBytes", "realBytes", "manufacturerID"};

void appendReport(std::string& out, const PgResult& rows, int row) {
  out += R"({"recordType":"StoreReport","recordName":)";
  appendJsonString(out, rows.view(row, 0));
  out += R"(,"fields":{)";
  bool first = true;
  for (int key = 0; key < RecordRepository::reportKeyCount; ++key) {
    const int column = key + 1;
    if (rows.isNull(row, column)) continue;
    if (!first) out += ',';
    first = false;
    const std::string_view name = RecordRepository::reportKeys[key];
    appendJsonString(out, name);
    if (integerKeys.count(name) > 0) {
      out += R"(:{"int64":)";
      out += rows.view(row, column);
    } else if (name == "price") {
      out += R"(:{"double":)";
      appendDouble(out, rows.view(row, column));
    } else {
      out += R"(:{"text":)";
      appendJsonString(out, rows.view(row, column));
    }
    out += '}';
  }
  out += R"(},"created":)";
  appendCreated(out, rows, row, RecordRepository::reportKeyCount + 1);
  out += R"(,"creator":)";
  appendJsonString(out, rows.view(row, RecordRepository::reportKeyCount + 2));
  out += '}';
}

void appendFlag(std::string& out, const PgResult& rows, int row) {
  out += R"({"recordType":"ReportFlag","recordName":)";
  appendJsonString(out, rows.view(row, 0));
  out += R"(,"fields":{"report":{"reference":)";
  appendJsonString(out, rows.view(row, 1));
  out += R"(}},"created":)";
  appendCreated(out, rows, row, 3);
  out += R"(,"creator":)";
  appendJsonString(out, rows.view(row, 2));
  out += '}';
}

template <class AppendRow>
std::string pageJson(const RecordRepository::Page& page, std::size_t bytesPerRow, AppendRow appendRow) {
  std::string out;
  out.reserve(64 + bytesPerRow * static_cast<std::size_t>(page.count));
  out += R"({"records":[)";
  for (int row = 0; row < page.count; ++row) {
    if (row > 0) out += ',';
    appendRow(out, page.rows, row);
  }
  out += ']';
  if (page.cursor) {
    out += R"(,"cursor":)";
    appendJsonString(out, *page.cursor);
  }
  out += '}';
  return out;
}

}  // namespace

std::string reportPageJson(const RecordRepository::Page& page) { return pageJson(page, 512, appendReport); }

std::string flagPageJson(const RecordRepository::Page& page) { return pageJson(page, 192, appendFlag); }

}  // namespace tessorin::server
