#include "card/artwork/BrandFieldModel.hpp"

#include "theme/text/DisplayFormat.hpp"
#include "tessorin/identity/Brand.hpp"

namespace tessorin {

namespace {
constexpr int firstBrandIndex = 2;
}

BrandFieldModel::BrandFieldModel(QObject* parent) : QObject(parent) {}

void BrandFieldModel::setSession(QObject* session) {
  auto* cardSession = qobject_cast<CardSession*>(session);
  if (session_ == cardSession) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = cardSession;
  if (session_) {
    connect(session_, &CardSession::claimedBrandChanged, this, &BrandFieldModel::currentIndexChanged);
    connect(session_, &CardSession::customBrandNameChanged, this, &BrandFieldModel::customNameChanged);
  }
  Q_EMIT sessionChanged();
  Q_EMIT currentIndexChanged();
  Q_EMIT customNameChanged();
}

QStringList BrandFieldModel::choices() const {
  QStringList choices = {tr("Not sure"), QString()};
  for (const Brand brand : Brand::allCases()) choices.append(DisplayFormat::brandLabel(brand));
  return choices;
}

int BrandFieldModel::currentIndex() const {
  if (!session_ || !session_->claimedBrand()) return 0;
  return firstBrandIndex + static_cast<int>(static_cast<Brand::Value>(*session_->claimedBrand()));
}

void BrandFieldModel::setCurrentIndex(int index) {
  const int brandPlace = index - firstBrandIndex;
  if (!session_ || index == separatorIndex() || index < 0 || brandPlace >= static_cast<int>(Brand::caseCount)) {
    Q_EMIT currentIndexChanged();
    return;
  }
  if (index == 0) {
    session_->setClaimedBrand(std::nullopt);
  } else {
    session_->setClaimedBrand(Brand::allCases().at(static_cast<std::size_t>(brandPlace)));
  }
}

bool BrandFieldModel::showsNameField() const {
  return session_ && session_->claimedBrand() == Brand(Brand::other);
}

QString BrandFieldModel::customName() const {
  return session_ ? QString::fromStdString(session_->customBrandName()) : QString();
}

void BrandFieldModel::setCustomName(const QString& name) {
  if (session_) session_->setCustomBrandName(name.toStdString());
}

QString BrandFieldModel::title() const { return tr("Brand on the label"); }

QString BrandFieldModel::help() const {
  return tr("The brand printed on the card. The X-ray checks it against the chip, and it goes with your report if "
            "you share it with the community.");
}

QString BrandFieldModel::nameTitle() const { return tr("Brand name"); }

QString BrandFieldModel::namePlaceholder() const { return tr("As printed on the card"); }

}  // namespace tessorin
