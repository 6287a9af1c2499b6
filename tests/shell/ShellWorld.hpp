#pragma once
// What the shell's tests share: an application model over given cards with a quit
// controller whose quits are counted, and a real check running on a slow simulated card.

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "SessionFixture.hpp"
#include "session/AppModel.hpp"
#include "shell/core/AppDelegate.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin::testing {

// A model over the given cards, and a delegate whose quits are counted.
struct QuitWorld {
  SessionWorld files;
  std::unique_ptr<AppModel> model;
  int quits = 0;
  AppDelegate delegate{[this] { ++quits; }};

  explicit QuitWorld(std::vector<CardDevice> devices, CardEraseJob::Erase erase = {})
      : QuitWorld(std::make_shared<std::vector<CardDevice>>(std::move(devices)), std::move(erase)) {}
  // Over the cards plugged in at each scan: a test plugs and pulls, then rescans.
  QuitWorld(std::shared_ptr<std::vector<CardDevice>> plugged, CardEraseJob::Erase erase) {
    AppModel::Sources sources{[plugged](bool) { return *plugged; }, [] { return std::set<std::string>{}; }, false,
                              std::move(erase), {}};
    model = std::make_unique<AppModel>(files.settings, QUrl::fromLocalFile(files.folder.filePath("History.json")),
                                       smallCardEnvironment(), sources);
    delegate.setModel(model.get());
  }
  ~QuitWorld() {
    QCoro::waitFor(model->stopAllAndWait());
    turnLoopUntil([this] {
      return std::none_of(model->sessions().begin(), model->sessions().end(),
                          [](CardSession* s) { return s->hasSuspendedCoroutine(); });
    }, std::chrono::seconds(30));
  }
};

// A check on a slow simulated card, up and running.
struct RunningCheck {
  std::unique_ptr<CounterfeitCard> medium =
      CounterfeitCard::make({.claimed = 512 * sessionMiB, .writeBytesPerSecond = 30 * sessionMiB});
  CardDevice device = deviceFor(medium->mountPoint(), medium->loopDevice(), 512 * sessionMiB);
  QuitWorld world{{device}};
  CardSession* session = world.model->sessions().front();

  RunningCheck() {
    session->start();
    turnLoopUntil([this] { return std::filesystem::exists(testFolder()); }, std::chrono::seconds(60));
  }
  std::filesystem::path testFolder() const { return std::filesystem::path(medium->mountPoint()) / TestFolder::name; }
};

}  // namespace tessorin::testing
