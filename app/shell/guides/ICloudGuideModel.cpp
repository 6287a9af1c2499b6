#include "shell/guides/ICloudGuideModel.hpp"

namespace tessorin {

ICloudGuideModel::ICloudGuideModel(QObject* parent) : QObject(parent) {}

QString ICloudGuideModel::heading() const { return tr("Couldn’t sign in to the community"); }

QStringList ICloudGuideModel::steps() const {
  return {tr("Tessorin makes this computer’s community account by itself, and the community server didn’t accept it "
             "just now."),
          tr("Check that this computer is online, then wait a few minutes."),
          tr("Come back and click Share again. Your name is never shown to anyone.")};
}

}  // namespace tessorin
