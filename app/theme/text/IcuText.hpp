#pragma once
// IcuText: the bridge to ICU for what Qt 6.4 cannot word in the user's language (region
// names, money in any currency, dates in the abbreviated style): the ICU locale that
// matches the default QLocale, and conversions between QString and ICU's UTF-16 buffers.
// Pure functions, callable from any thread.

#include <QByteArray>
#include <QString>
#include <functional>
#include <unicode/utypes.h>

namespace tessorin::icu {

// The default QLocale's name as ICU reads it ("en_US"; "C" becomes ICU's root locale).
QByteArray localeId();

// A UTF-16 view of text, terminated, as ICU takes it.
inline const UChar* uchars(const QString& text) { return reinterpret_cast<const UChar*>(text.utf16()); }

// Runs an ICU call that writes into a buffer and gives its length, once more with a
// larger buffer when the first was too small; "" when it fails.
QString filled(const std::function<int32_t(UChar* buffer, int32_t capacity, UErrorCode* status)>& call);

}  // namespace tessorin::icu
