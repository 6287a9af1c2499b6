#pragma once
// How the window is drawn on a computer without a graphics card, where Qt Quick draws
// with OpenGL on Mesa's software rasteriser (llvmpipe). Called by every program that shows
// the window as a user sees it (the application and the window's benchmarks), before the
// first window. Main thread only, unless said otherwise.

#include <QProcessEnvironment>

class QQuickWindow;

namespace tessorin {

// Mesa hands each frame out to as many threads as the computer has cores. The window
// redraws whole for each step of a motion, eight times a second, and such a frame is
// little work: handing it out to eight threads and gathering it again cost more than
// the drawing. Two threads drew a page with a check under way for 17–20 % of one core
// where eight took 23–27 %, and still share a large frame (scrolling, a resize). A
// user's own LP_NUM_THREADS is kept; other OpenGL drivers never read it.
void spareTheSoftwareRasteriser();

// The two threads are this program's choice, not the user's: once window has drawn its
// first frame (Mesa reads LP_NUM_THREADS as its driver loads, once), the variable goes
// from the environment again, so the programs started from here (the disk utility, the
// file manager, the browser) get the user's own. A user's own LP_NUM_THREADS stays.
void keepTheSoftwareRasteriserSettingToThisProgram(QQuickWindow& window);

// The environment for a program started before that first frame (the desktop's settings
// are asked for as the window loads): the user's, without the two threads. Any thread.
QProcessEnvironment environmentForStartedPrograms();

}  // namespace tessorin
