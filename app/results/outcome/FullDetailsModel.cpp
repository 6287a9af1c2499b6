#include "results/outcome/FullDetailsModel.hpp"

#include "theme/DisplayFormat.hpp"
#include "theme/GadgetList.hpp"
#include "results/outcome/ResultFigures.hpp"

namespace tessorin {

void FullDetailsModel::setInput(const FullDetailsInput& input) {
  if (input == input_) return;
  input_ = input;
  Q_EMIT inputChanged();
}

CapacityMapInput FullDetailsModel::map() const {
  return input_.result ? CapacityMapInput{input_.result->map, readBackUnconfirmed()} : CapacityMapInput{};
}

SpeedChartInput FullDetailsModel::chart() const {
  if (!input_.result) return {};
  return {input_.result->manifest.writeSamples, input_.result->readSamples, input_.result->map.totalBytes};
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
      {{}, tr("Average read"), ResultFigures::speedText(result.readSpeed.average)},
  };
}

std::vector<FigureRow> FullDetailsModel::problems(const SectorTally& tally) {
  const std::pair<QString, std::int64_t> kinds[] = {
      {tr("Never stored (came back empty)"), ResultFigures::saturatingSum({tally.blank, tally.stale})},
      {tr("Overwritten by data meant for elsewhere"), tally.misplaced},
      {tr("Corrupted"), tally.corrupted},
      {tr("Unreadable"), tally.unreadable},
  };
  std::vector<FigureRow> rows;
  for (const auto& [label, sectors] : kinds) {
    if (sectors <= 0) continue;
    rows.push_back({{}, label, DisplayFormat::byteCountText(ResultFigures::sectorBytes(sectors))});
  }
  return rows;
}

}  // namespace tessorin
