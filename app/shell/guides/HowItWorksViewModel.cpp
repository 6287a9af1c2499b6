#include "shell/guides/HowItWorksViewModel.hpp"

#include <QCoreApplication>

#include "session/system/QuickCheckReach.hpp"
#include "theme/Palette.hpp"

namespace tessorin {

namespace {

QString text(const char* source) { return QCoreApplication::translate("tessorin::HowItWorksViewModel", source); }

// The box is the colour's own gradient, deep enough for its white symbol.
HowItWorksStep step(const char* symbol, const QColor& tint, const char* title, const char* body) {
  const QVariantList tile = Palette::symbolTileGradient(tint);
  return {QString::fromLatin1(symbol), tile.at(1).value<QColor>(), tile.at(0).value<QColor>(), text(title), text(body)};
}

}  // namespace

HowItWorksViewModel::HowItWorksViewModel(QObject* parent) : QObject(parent) {}

QString HowItWorksViewModel::title() const { return tr("How Tessorin works"); }
QString HowItWorksViewModel::doneText() const { return tr("Done"); }

QString HowItWorksViewModel::introduction() const {
  return tr("A fake card has a small memory chip but tells the computer it is much bigger. Everything looks fine "
            "until you save more than it really holds — then your photos and videos silently disappear.");
}

QList<HowItWorksStep> HowItWorksViewModel::steps(bool exFATGivesQuickCheck) {
  const char* quickCheck =
      exFATGivesQuickCheck
          ? QT_TR_NOOP("In stages, each with an answer of its own. First, probes across the whole card: past the real "
                       "chip they come back empty, or land on earlier ones. Then the real write and read speed at the "
                       "start of the card, where even a fake one has real memory, and the speed markings it lives up "
                       "to. Last, more probes pin the real size down. Needs the exFAT format, which cards over "
                       "32\u00A0GB come with.")
          : QT_TR_NOOP("In stages, each with an answer of its own. First, probes across the whole card: past the real "
                       "chip they come back empty, or land on earlier ones. Then the real write and read speed at the "
                       "start of the card, where even a fake one has real memory, and the speed markings it lives up "
                       "to. Last, more probes pin the real size down. The probes need an exFAT driver that sets space "
                       "aside without writing it, which this system doesn’t have: here Tessorin measures the speed "
                       "and goes on to the advanced test.");
  return {
      step("waveform.path.ecg", Palette::indigo(), QT_TR_NOOP("1. X-ray — instant"),
           QT_TR_NOOP("Reads what the card says about itself: who made the chip, when, its serial number and card "
                      "type. A “SanDisk” whose chip says another maker, or a capacity its own standard can’t reach, "
                      "gives itself away. The chip details are only visible through a built-in SD slot, not through a "
                      "USB reader.")),
      step("hare.fill", Palette::cyan(), QT_TR_NOOP("2. Quick check — about a minute"), quickCheck),
      step("checkmark.seal.fill", Palette::green(), QT_TR_NOOP("3. Advanced test — the proof"),
           QT_TR_NOOP("It fills every free byte of the card with unique data, then reads all of it back. It measures "
                      "the exact real capacity and the card’s true speed. It takes as long as the card needs to write "
                      "and read itself.")),
  };
}

QVariantList HowItWorksViewModel::stepList() const {
  QVariantList list;
  for (const HowItWorksStep& one : steps(exFATWouldGiveQuickCheck(HostSystem::current()))) {
    list.append(QVariant::fromValue(one));
  }
  return list;
}

QString HowItWorksViewModel::closingNote() const {
  return tr("Tessorin only writes to free space, and deletes its test data when done. On a fake card, the files "
            "already there may be damaged by the card itself, so back them up first.");
}

}  // namespace tessorin
