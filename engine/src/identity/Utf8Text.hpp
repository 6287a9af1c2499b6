#pragma once
// Turning driver-supplied bytes into clean text: lossy UTF-8 decoding and trimming of
// invisible characters at both ends. Pure functions.

#include <string>
#include <string_view>

namespace tessorin {

// Valid UTF-8 with every ill-formed sequence replaced by U+FFFD (one replacement per
// maximal ill-formed subpart), so text from a device can never carry broken encoding.
std::string decodeUtf8Lossy(std::string_view bytes);

// Drops white space, line breaks and control or format characters (NUL included) from
// both ends of valid UTF-8 text.
std::string trimInvisible(std::string_view text);

}  // namespace tessorin
