#include "results/outcome/FullDetailsModel.hpp"

#include <algorithm>

#include "theme/text/DisplayFormat.hpp"
#include "theme/GadgetList.hpp"
#include "results/outcome/ResultFigures.hpp"

namespace tessorin {

void FullDetailsModel::setInput(const FullDetailsInput& input) {
  if (input == input_) return;
  input_ = input;
  Q_EMIT inputChanged();
}

CapacityMapInput FullDetailsModel::map() const {
  return input_.result ? CapacityMapInput{wholeCardMap(input_.result->map, input_.cardBytes), readBackUnconfirmed()}
                       : CapacityMapInput{};
}

CapacityMap FullDetailsModel::wholeCardMap(const CapacityMap& tested, std::uint64_t cardBytes) {
  if (cardBytes <= tested.totalBytes) return tested;
  CapacityMap whole(cardBytes);
  // Each tested cell's bytes, where they lie on the card.
  const auto boundary = [&tested](std::size_t index) {
    return static_cast<std::uint64_t>(static_cast<long double>(tested.totalBytes) * index / CapacityMap::cellCount);
  };
  for (std::size_t index = 0; index < CapacityMap::cellCount; ++index) {
    const std::uint64_t start = boundary(index);
    const std::uint64_t length = boundary(index + 1) - start;
    if (length == 0) continue;
    if (tested.written[index]) whole.markWritten(start, length);
    if (tested.good[index] + tested.bad[index] > 0) whole.recordChecked(start, length, tested.good[index], tested.bad[index]);
  }
  return whole;
}

SpeedChartInput FullDetailsModel::chart() const {
  if (!input_.result) return {};
  // Over the same span as the map: the whole card when the test reached only part of it.
  // A read-back that may have come from memory drew memory's speed, not the card's.
  return {input_.result->manifest.writeSamples,
          readBackUnconfirmed() ? std::vector<SpeedSample>{} : input_.result->readSamples,
          std::max(input_.result->map.totalBytes, input_.cardBytes)};
}

bool FullDetailsModel::showsSpeed() const { return input_.result && input_.result->manifest.writeSamples.size() >= 2; }

QVariantList FullDetailsModel::speedFigureList() const {
  return input_.result ? gadgetList(speedFigures(*input_.result)) : QVariantList();
}

QVariantList FullDetailsModel::problemList() const {
  return input_.result ? gadgetList(problems(input_.result->tally)) : QVariantList();
}

std::vector<FigureRow> FullDetailsModel::speedFigures(const FullTestResult& result) {
  return {
      {{}, tr("Slowest write"), ResultFigures::speedText(result.manifest.writeSpeed.minimum)},
      {{}, tr("Fastest write"), ResultFigures::speedText(result.manifest.writeSpeed.maximum)},
      {{}, tr("Average read"), ResultFigures::speedText(result.cardReadSpeed())},
  };
}

std::vector<FigureRow> FullDetailsModel::problems(const SectorTally& tally) {
  const std::pair<QString, std::uint64_t> kinds[] = {
      {tr("Never stored (came back empty)"), ResultFigures::cameBackEmptyBytes(tally)},
      {tr("Overwritten by data meant for elsewhere"), ResultFigures::sectorBytes(tally.misplaced)},
      {tr("Corrupted"), ResultFigures::sectorBytes(tally.corrupted)},
      {tr("Unreadable"), ResultFigures::sectorBytes(tally.unreadable)},
  };
  std::vector<FigureRow> rows;
  for (const auto& [label, bytes] : kinds) {
    if (bytes == 0) continue;
    rows.push_back({{}, label, DisplayFormat::byteCountText(bytes)});
  }
  return rows;
}

}  // namespace tessorin
