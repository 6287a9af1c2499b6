#pragma once
// JSON text written straight into a string. The service's answers are built this way
// rather than as JSON trees: freeing a tree allocates, and a tree freed while memory has
// run out (as an exception unwinds) would end the whole process instead of one request.

#include <string>
#include <string_view>

namespace tessorin::server {

// `text` as a JSON string, quotes included.
void appendJsonString(std::string& out, std::string_view text);

// `value` in the shortest text that reads back as the same double; null for a number JSON
// cannot hold (an infinity or NaN), as a JSON tree writes it.
void appendJsonNumber(std::string& out, double value);

// {"code":CODE,"message":"MESSAGE"}: the body of every refusal.
std::string refusalJson(int code, std::string_view message);

}  // namespace tessorin::server
