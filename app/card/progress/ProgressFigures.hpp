#pragma once
// ProgressFigures: the guarded figures of the live progress displays. The engine never
// reports a negative count, an overflowing amount or a non-finite rate, but a display
// must not turn one into a full ring, "nan%" or undefined behaviour if it did: negative
// counts read as 0, products saturate at 2^63 - 1, a non-finite speed or rate shows "—"
// and a non-finite fraction reads as 0. Pure functions; any thread.

#include <cstdint>

#include <QString>

namespace tessorin::progress_figures {

constexpr std::uint64_t mebibyte = 1ull << 20;
constexpr std::uint64_t sectorSize = 512;

// count × factor, a negative count read as 0, saturated at 2^63 - 1.
std::uint64_t saturatingProduct(std::int64_t count, std::uint64_t factor);
// Counts the engine reports in mebibytes, as byte-count text.
QString mebibyteText(std::int64_t count);
// Progress within 0 and 1; non-finite and negative values are 0, values above 1 are 1.
double clampedFraction(double fraction);
// The speed text, or "—" when the speed is not a finite value above 0.
QString speedText(double bytesPerSecond);
// "1235 IOPS", or "—" when the rate is not a finite value above 0.
QString rateText(double operationsPerSecond);

}  // namespace tessorin::progress_figures
