// The folder dialog the guide's Continue opens: modal over the window, so that the guide
// behind it takes no second Continue, and listing the card in its sidebar, where the
// guide tells the user to look.

#include <optional>

#include <QApplication>
#include <QFileDialog>
#include <QWindow>
#include <gtest/gtest.h>

#include "TemporaryFolder.hpp"
#include "session/system/VolumeAccess.hpp"

namespace tessorin {
namespace {

QFileDialog* openDialog() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) return dialog;
  }
  return nullptr;
}

TEST(FolderDialog, IsModalOverTheWindowAndListsTheCardOnTheLeft) {
  testing::TemporaryFolder card;
  const QString cardFolder = QString::fromStdString(card.path());
  QWindow window;
  window.setObjectName(QStringLiteral("main"));
  window.resize(900, 640);
  window.show();

  std::optional<std::optional<QString>> answered;
  VolumeAccess::folderDialog()(cardFolder, QStringLiteral("Select the card"),
                               [&answered](std::optional<QString> folder) { answered = std::move(folder); });
  QFileDialog* dialog = openDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
  ASSERT_NE(dialog->windowHandle(), nullptr);
  EXPECT_EQ(dialog->windowHandle()->transientParent(), &window) << "modal over nothing blocks nothing";
  EXPECT_EQ(QGuiApplication::modalWindow(), dialog->windowHandle());
  EXPECT_TRUE(dialog->sidebarUrls().contains(QUrl::fromLocalFile(cardFolder)));
  EXPECT_EQ(dialog->directory().absolutePath(), cardFolder);

  dialog->reject();
  ASSERT_TRUE(answered.has_value());
  EXPECT_FALSE(answered->has_value()) << "a cancelled dialog picks nothing";
}

}  // namespace
}  // namespace tessorin
