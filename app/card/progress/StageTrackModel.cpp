#include "card/progress/StageTrackModel.hpp"

#include <QCoreApplication>

namespace tessorin {

namespace {

struct StepText {
  const char* title;
  const char* symbol;
};

constexpr std::array<StepText, 3> stepTexts = {{
    {QT_TRANSLATE_NOOP("StageTrack", "Real capacity"), "internaldrive"},
    {QT_TRANSLATE_NOOP("StageTrack", "Speed"), "speedometer"},
    {QT_TRANSLATE_NOOP("StageTrack", "Advanced test"), "checkmark.seal.fill"},
}};

}  // namespace

StageTrackModel::StageTrackModel(QObject* parent) : QObject(parent), looks_(looks(Capacity, false)) {}

std::optional<StageTrackModel::Step> StageTrackModel::stepFromRawValue(int raw) {
  if (raw < Capacity || raw > Advanced) return std::nullopt;
  return static_cast<Step>(raw);
}

StageTrackModel::Looks StageTrackModel::looks(Step current, bool probesSkipped) {
  Looks looks;
  for (int raw = Capacity; raw <= Advanced; ++raw) {
    StageTrackStep& step = looks.steps[static_cast<std::size_t>(raw)];
    const bool skipped = raw == Capacity && probesSkipped;
    const bool done = raw < current;
    const bool isCurrent = raw == current;
    step.title = QCoreApplication::translate("StageTrack", stepTexts[static_cast<std::size_t>(raw)].title);
    step.symbol = done && !skipped ? QStringLiteral("checkmark.circle.fill")
                                   : QString::fromLatin1(stepTexts[static_cast<std::size_t>(raw)].symbol);
    step.style = isCurrent ? AccentGradient : done && !skipped ? Green : Tertiary;
    step.current = isCurrent;
    step.struckThrough = skipped;
  }
  // The bars follow the stage under way only: the first turns green once the track is
  // past the capacity stage, also when that stage was skipped.
  looks.firstBarGreen = current != Capacity;
  looks.secondBarGreen = current == Advanced;
  return looks;
}

void StageTrackModel::setCurrent(int current) {
  if (current_ == current) return;
  current_ = current;
  update();
}

void StageTrackModel::setProbesSkipped(bool skipped) {
  if (probesSkipped_ == skipped) return;
  probesSkipped_ = skipped;
  update();
}

QVariantList StageTrackModel::steps() const {
  QVariantList list;
  for (const StageTrackStep& step : looks_.steps) list.append(QVariant::fromValue(step));
  return list;
}

void StageTrackModel::update() {
  // An unknown raw value shows the track before its first stage.
  looks_ = looks(stepFromRawValue(current_).value_or(Capacity), probesSkipped_);
  Q_EMIT changed();
}

}  // namespace tessorin
