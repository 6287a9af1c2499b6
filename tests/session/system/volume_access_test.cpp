#include "session/system/VolumeAccess.hpp"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tessorin {
namespace {

class VolumeAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qunsetenv("FLATPAK_ID");
    qunsetenv("APP_SANDBOX_CONTAINER_ID");
    device.id = "1234-ABCD";
    device.volumeName = "CARD";
    device.volumeURL = volume.path().toStdString();
  }
  void TearDown() override { qunsetenv("APP_SANDBOX_CONTAINER_ID"); }

  // A picker that answers at once, as if the user had chosen `choice`.
  static VolumeAccess::FolderPicker answering(std::optional<QString> choice) {
    return [choice](const QString&, const QString&, std::function<void(std::optional<QString>)> answer) { answer(choice); };
  }

  VolumeAccess::RequestOutcome request(std::optional<QString> choice) {
    VolumeAccess::RequestOutcome result;
    VolumeAccess::request(device, settings, answering(choice), [&result](VolumeAccess::RequestOutcome outcome) { result = outcome; });
    return result;
  }

  QTemporaryDir settingsFolder;
  QSettings settings{settingsFolder.filePath("settings.ini"), QSettings::IniFormat};
  QTemporaryDir volume;
  CardDevice device;
};

TEST_F(VolumeAccessTest, OutsideTheSandboxAWritableVolumeIsUsedDirectlyWithoutAGrant) {
  auto access = VolumeAccess::openFrom(VolumeAccess::candidates(device, settings));
  ASSERT_TRUE(access);
  EXPECT_FALSE(access->scoped());
  EXPECT_EQ(access->url(), QDir::cleanPath(volume.path()).toStdString());
}

TEST_F(VolumeAccessTest, InsideTheSandboxOnlyAGrantedFolderOfTheSameCardOpens) {
  qputenv("APP_SANDBOX_CONTAINER_ID", "");
  EXPECT_FALSE(VolumeAccess::openFrom(VolumeAccess::candidates(device, settings))) << "writable, but never granted";

  auto granted = request(volume.path());
  ASSERT_EQ(granted.outcome, VolumeAccess::Outcome::granted);
  auto access = VolumeAccess::openFrom(VolumeAccess::candidates(device, settings));
  ASSERT_TRUE(access);
  EXPECT_TRUE(access->scoped());

  CardDevice otherCard = device;
  otherCard.id = "9999-0000";
  EXPECT_FALSE(VolumeAccess::openFrom(VolumeAccess::candidates(otherCard, settings)));
  // The same card now mounted elsewhere: the old grant no longer fits.
  QTemporaryDir elsewhere;
  CardDevice moved = device;
  moved.volumeURL = elsewhere.path().toStdString();
  EXPECT_FALSE(VolumeAccess::openFrom(VolumeAccess::candidates(moved, settings)));
}

TEST_F(VolumeAccessTest, WrongFolderAndCancelStoreNothing) {
  qputenv("APP_SANDBOX_CONTAINER_ID", "x");
  QDir(volume.path()).mkdir("DCIM");
  EXPECT_EQ(request(volume.filePath("DCIM")).outcome, VolumeAccess::Outcome::wrongFolder);
  EXPECT_EQ(request(std::nullopt).outcome, VolumeAccess::Outcome::cancelled);
  EXPECT_FALSE(settings.contains("VolumeBookmarks"));
  EXPECT_FALSE(VolumeAccess::openFrom(VolumeAccess::candidates(device, settings)));
}

TEST_F(VolumeAccessTest, AnEntryOfTheWrongTypeCostsNoOtherCardItsGrant) {
  qputenv("APP_SANDBOX_CONTAINER_ID", "x");
  settings.setValue("VolumeBookmarks", QVariantMap{{QString::fromStdString(device.id), volume.path()},
                                                   {"broken", 42},
                                                   {"5555-0000", QStringLiteral("/media/THIRD")}});
  EXPECT_TRUE(VolumeAccess::openFrom(VolumeAccess::candidates(device, settings))) << "its grant is intact beside a broken one";

  QTemporaryDir otherVolume;
  CardDevice otherCard = device;
  otherCard.id = "9999-0000";
  otherCard.volumeURL = otherVolume.path().toStdString();
  VolumeAccess::RequestOutcome granted;
  VolumeAccess::request(otherCard, settings, answering(otherVolume.path()),
                        [&granted](VolumeAccess::RequestOutcome outcome) { granted = outcome; });
  ASSERT_EQ(granted.outcome, VolumeAccess::Outcome::granted);
  const QVariantMap store = settings.value("VolumeBookmarks").toMap();
  EXPECT_EQ(store.value(QString::fromStdString(device.id)).toString(), volume.path());
  EXPECT_EQ(store.value("5555-0000").toString(), QStringLiteral("/media/THIRD"));
  EXPECT_EQ(store.value("broken").toInt(), 42) << "what is not understood is kept";
  EXPECT_EQ(store.value("9999-0000").toString(), otherVolume.path());
}

}  // namespace
}  // namespace tessorin
