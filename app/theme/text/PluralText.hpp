#pragma once
// pluralText: a count in words of the user's language, in the plural form that language
// gives that number ("1 check shared", "2 checks shared"; Russian has a third and fourth
// form). The pattern is an ICU plural message, "{0, plural, one {# check} other {# checks}}",
// which goes through tr() like any text, so a translation brings the forms of its own
// language; `#` stands for the count, grouped as the locale groups numbers. Pure function,
// callable from any thread; the default QLocale decides the rules.

#include <QString>

namespace tessorin {

// The pattern as it stands when it cannot be read, so that a broken translation still shows.
QString pluralText(const QString& pattern, long long count);

}  // namespace tessorin
