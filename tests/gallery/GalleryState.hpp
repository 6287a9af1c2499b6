#pragma once
// GalleryState: one picture of one view in one state. A state names the view (its QML
// file without ".qml", which names the picture "<view>-<state>.png"), the window size, the
// scene (a QML file of this folder that lays the view out) and the scene's initial
// properties, built from a GalleryWorld of real sessions. Expectations are read back from
// objects found by objectName before the picture is taken.
//
// To add a state: write (or reuse) a scene QML file, list it in CMakeLists.txt, and add a
// GalleryState to a `*States.cpp` file with `const bool registered = addGalleryStates({...})`.

#include <functional>
#include <vector>

#include <QSize>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace tessorin::gallery {

class GalleryWorld;

struct Expectation {
  QString objectName;
  QString property;
  QVariant value;
};

struct GalleryState {
  QString view;
  QString state;
  QSize size;
  QString scene;
  std::function<QVariantMap(GalleryWorld&)> properties = [](GalleryWorld&) { return QVariantMap(); };
  std::vector<Expectation> expectations = {};
  // The objectName of an item the pointer rests on when the picture is taken, if any.
  QString hover = {};
  // The objectName of an item given the keyboard's focus (as by Tab), if any.
  QString keyboardFocus = {};
  // The objectName of an item clicked before the picture is taken (a menu's button), if any.
  QString click = {};
};

// Called from static initialisers of the state files; returns true.
bool addGalleryStates(std::vector<GalleryState> states);
std::vector<GalleryState>& galleryStates();

}  // namespace tessorin::gallery
