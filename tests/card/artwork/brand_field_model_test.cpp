#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "card/artwork/BrandFieldModel.hpp"
#include "session/records/History.hpp"

namespace tessorin {
namespace {

constexpr int otherBrandIndex = 2 + static_cast<int>(Brand::other);

CardDevice cardNamed(const std::string& id) {
  CardDevice device;
  device.id = id;
  device.mediaBytes = 32'000'000'000;
  device.connection = CardDevice::Connection::builtInReader();
  return device;
}

struct BrandFieldWorld {
  QTemporaryDir folder;
  QSettings settings{folder.filePath("settings.ini"), QSettings::IniFormat};
  History history{QUrl::fromLocalFile(folder.filePath("History.json"))};
  CardSession session{cardNamed("card-1"), &history, settings, {}};
  BrandFieldModel field;

  BrandFieldWorld() { field.setSession(&session); }
};

TEST(BrandFieldModelTest, ListsNotSureASeparatorAndEveryBrandByItsLabel) {
  BrandFieldWorld world;
  const QStringList choices = world.field.choices();
  ASSERT_EQ(choices.size(), 22);
  EXPECT_EQ(choices.front(), QStringLiteral("Not sure"));
  EXPECT_EQ(choices.at(1), QString());
  EXPECT_EQ(choices.at(2 + static_cast<int>(Brand::kioxia)), QStringLiteral("Kioxia / Toshiba"));
  EXPECT_EQ(choices.at(otherBrandIndex), QStringLiteral("Other brand"));
  EXPECT_EQ(world.field.currentIndex(), 0);
  EXPECT_FALSE(world.field.showsNameField());
}

TEST(BrandFieldModelTest, OtherBrandAndATypedNameComeBackForTheSameCard) {
  BrandFieldWorld world;
  world.field.setCurrentIndex(otherBrandIndex);
  EXPECT_TRUE(world.field.showsNameField());
  EXPECT_EQ(world.field.customName(), QString());
  world.field.setCustomName(QStringLiteral("Acme Pro"));

  CardSession again(cardNamed("card-1"), &world.history, world.settings, {});
  BrandFieldModel field;
  field.setSession(&again);
  EXPECT_EQ(field.currentIndex(), otherBrandIndex);
  EXPECT_TRUE(field.showsNameField());
  EXPECT_EQ(field.customName(), QStringLiteral("Acme Pro"));
}

TEST(BrandFieldModelTest, NotSureClearsTheBrandAndKeepsTheTypedName) {
  BrandFieldWorld world;
  world.field.setCurrentIndex(otherBrandIndex);
  world.field.setCustomName(QStringLiteral("Acme"));
  world.field.setCurrentIndex(0);
  EXPECT_FALSE(world.session.claimedBrand().has_value());
  EXPECT_FALSE(world.field.showsNameField());
  world.field.setCurrentIndex(otherBrandIndex);
  EXPECT_EQ(world.field.customName(), QStringLiteral("Acme"));
}

TEST(BrandFieldModelTest, TheSeparatorCannotBeChosenAndThePickerIsToldToShowTheOldChoice) {
  BrandFieldWorld world;
  world.field.setCurrentIndex(2 + static_cast<int>(Brand::samsung));
  QSignalSpy indexChanged(&world.field, &BrandFieldModel::currentIndexChanged);
  world.field.setCurrentIndex(BrandFieldModel::separatorIndex());
  world.field.setCurrentIndex(99);
  EXPECT_EQ(world.session.claimedBrand(), Brand(Brand::samsung));
  EXPECT_EQ(indexChanged.count(), 2);
}

TEST(BrandFieldModelTest, TwoFieldsOnOneSessionAgree) {
  BrandFieldWorld world;
  BrandFieldModel second;
  second.setSession(&world.session);
  QSignalSpy indexChanged(&second, &BrandFieldModel::currentIndexChanged);
  QSignalSpy nameChanged(&second, &BrandFieldModel::customNameChanged);
  world.field.setCurrentIndex(otherBrandIndex);
  world.field.setCustomName(QStringLiteral("Acme"));
  EXPECT_EQ(second.currentIndex(), otherBrandIndex);
  EXPECT_EQ(second.customName(), QStringLiteral("Acme"));
  EXPECT_EQ(indexChanged.count(), 1);
  EXPECT_EQ(nameChanged.count(), 1);
}

}  // namespace
}  // namespace tessorin
