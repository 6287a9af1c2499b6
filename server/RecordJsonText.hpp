#pragma once
// One record's JSON (the form RecordJson describes) read and written as text, never as a
// JSON tree: freeing a tree allocates, so a request whose tree is freed while memory has
// run out would end the whole process instead of that one request. Reading is exactly as
// strict as recordFromJson and throws RecordFormatError where it would; a body that is not
// JSON at all throws RecordFormatError too. Pure functions, callable from any thread.

#include <string>
#include <string_view>

#include "community/rules/Record.hpp"

namespace tessorin::server {

Record recordFromJsonText(std::string_view text);
std::string recordJsonText(const Record& record);

}  // namespace tessorin::server
