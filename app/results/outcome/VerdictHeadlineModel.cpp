#include "results/outcome/VerdictHeadlineModel.hpp"

#include <algorithm>
#include <limits>

#include "theme/text/DisplayFormat.hpp"
#include "theme/text/IndefiniteArticle.hpp"
#include "theme/Palette.hpp"
#include "results/outcome/ResultFigures.hpp"

namespace tessorin {

using Verdict = CheckOutcome::Verdict;

void VerdictHeadlineModel::setInput(const VerdictHeadlineInput& input) {
  if (input == input_) return;
  input_ = input;
  Q_EMIT inputChanged();
}

QColor VerdictHeadlineModel::color() const { return Palette::verdictColor(input_.verdict); }

QString VerdictHeadlineModel::title() const { return Palette::headline(input_.verdict, input_.isUSBDrive); }

// An advanced test with no answer confirms nothing.
bool VerdictHeadlineModel::unconfirmedByTheAdvancedTest() const {
  return input_.method == CheckOutcome::Method::full && input_.verdict == CheckOutcome::Verdict::inconclusive;
}

QString VerdictHeadlineModel::chipText() const {
  if (unconfirmedByTheAdvancedTest()) return tr("Advanced test");
  return input_.method == CheckOutcome::Method::full ? tr("Confirmed by the advanced test") : tr("Quick check");
}

QString VerdictHeadlineModel::chipSymbol() const {
  if (unconfirmedByTheAdvancedTest()) return QStringLiteral("internaldrive");
  return input_.method == CheckOutcome::Method::full ? QStringLiteral("checkmark.seal") : QStringLiteral("hare");
}

QString VerdictHeadlineModel::sealSymbolOf(CheckOutcome::Verdict verdict) {
  switch (verdict) {
    case Verdict::genuine:
    case Verdict::likelyGenuine:
      return QStringLiteral("checkmark.seal.fill");
    case Verdict::fake:
      return QStringLiteral("xmark.seal.fill");
    case Verdict::damaged:
      return QStringLiteral("exclamationmark.triangle.fill");
    case Verdict::inconclusive:
      break;
  }
  return QStringLiteral("questionmark.diamond.fill");
}

// The advanced test ran to the end but may have read memory. This computer's copy holds
// everything as it was written, so what came back empty or wrong the card lost itself,
// and that is worth more to the user than the doubt about the rest.
std::optional<QString> VerdictHeadlineModel::lossTheCardShowed(const VerdictHeadlineInput& input) {
  if (input.cameBackWrong > 0) {
    constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const std::uint64_t lost = std::min(input.cameBackEmpty + input.cameBackWrong, largest);
    const QString sentence =
        input.isUSBDrive ? tr("%1 didn’t come back as written: don’t trust this drive. What read back intact may have "
                              "come from this computer’s copy instead of the drive, so the rest isn’t confirmed.")
                         : tr("%1 didn’t come back as written: don’t trust this card. What read back intact may have "
                              "come from this computer’s copy instead of the card, so the rest isn’t confirmed.");
    return sentence.arg(DisplayFormat::byteCountText(lost));
  }
  if (input.cameBackEmpty > 0) {
    const QString sentence =
        input.isUSBDrive ? tr("%1 came back empty: don’t trust this drive. What read back intact may have come "
                              "from this computer’s copy instead of the drive, so the rest isn’t confirmed.")
                         : tr("%1 came back empty: don’t trust this card. What read back intact may have come "
                              "from this computer’s copy instead of the card, so the rest isn’t confirmed.");
    return sentence.arg(DisplayFormat::byteCountText(input.cameBackEmpty));
  }
  return std::nullopt;
}

QString VerdictHeadlineModel::explanationOf(const VerdictHeadlineInput& input) {
  switch (input.verdict) {
    case Verdict::genuine:
      if (input.testedBytes && input.partlyTested) {
        return tr("%1 of %2 written and read back without a single error. The rest could not be tested.")
            .arg(DisplayFormat::byteCountText(*input.testedBytes), DisplayFormat::formatCapacity(input.advertisedBytes));
      }
      if (input.testedBytes) {
        return tr("%1 written and read back without a single error. It holds what it claims.")
            .arg(DisplayFormat::byteCountText(*input.testedBytes));
      }
      return tr("It holds what it claims.");
    case Verdict::likelyGenuine:
      return tr("The quick check found no sign of fakery. For certainty, let the advanced test run to the end.");
    case Verdict::fake: {
      if (!input.realBytes) return tr("It does not hold what it claims.");
      const QString real = DisplayFormat::roundedSizeText(*input.realBytes);
      const QString claimed = DisplayFormat::formatCapacity(input.advertisedBytes);
      if (input.lostFrom) {
        return tr("It keeps at least %1 of the %2 it claims, and loses what is saved past %3. A check that runs to "
                  "the end pins it down.")
            .arg(real, claimed, DisplayFormat::roundedSizeText(*input.lostFrom));
      }
      if (const auto nominal = ResultFigures::nominalSizeDifferentFromClaim(*input.realBytes, input.advertisedBytes)) {
        const QString sentence = input.isUSBDrive
                                     ? tr("It’s %1 drive sold as %2. It can take about %3; anything saved past that "
                                          "is lost.")
                                     : tr("It’s %1 card sold as %2. It can take about %3; anything saved past that "
                                          "is lost.");
        return sentence.arg(withIndefiniteArticle(*nominal), claimed, real);
      }
      return tr("It holds only about %1 of the %2 it claims; anything saved past that is lost.").arg(real, claimed);
    }
    case Verdict::damaged:
      // Nothing came back corrupted from a card that only turned read-only.
      if (input.refusal == WriteRefusal::readOnly) {
        return tr("It stopped accepting data and has turned read-only. Copy your files off it while it still reads "
                  "them.");
      }
      if (input.stoppedAnswering) {
        return input.isUSBDrive ? tr("It stopped answering while its speed was measured, so what was written to it "
                                     "could not be read back. Don’t trust this drive with photos or videos.")
                                : tr("It stopped answering while its speed was measured, so what was written to it "
                                     "could not be read back. Don’t trust this card with photos or videos.");
      }
      return input.isUSBDrive ? tr("Some data came back corrupted. Don’t trust this drive with photos or videos.")
                              : tr("Some data came back corrupted. Don’t trust this card with photos or videos.");
    case Verdict::inconclusive:
      if (input.method == CheckOutcome::Method::full) {
        if (const auto sentence = lossTheCardShowed(input)) return *sentence;
        return tr("There isn’t a clear answer: what was read back may not have come from the card.");
      }
      break;
  }
  return tr("There isn’t a clear answer yet. Run the advanced test to the end.");
}

}  // namespace tessorin
