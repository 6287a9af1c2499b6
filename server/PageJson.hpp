#pragma once
// The JSON of a page of records, written straight from the database's rows: the same
// text recordToJson gives for each record (keys in another order), without a record and
// a JSON tree made and freed for each row, which was most of the cost of a page.

#include <string>

#include "RecordRepository.hpp"

namespace tessorin::server {

// {"records": [...], "cursor": "..."} for a page of reports() or of flags().
std::string reportPageJson(const RecordRepository::Page& page);
std::string flagPageJson(const RecordRepository::Page& page);

}  // namespace tessorin::server
