#pragma once
// How the window is drawn on a computer without a graphics card, where Qt Quick draws
// with OpenGL on Mesa's software rasteriser (llvmpipe). Called by every program that shows
// the window as a user sees it (the application and the window's benchmarks), before the
// first window.

namespace tessorin {

// Mesa hands each frame out to as many threads as the computer has cores. The window
// redraws whole for each step of a motion, eight times a second, and such a frame is
// little work: handing it out to eight threads and gathering it again cost more than
// the drawing. Two threads drew a page with a check under way for 17–20 % of one core
// where eight took 23–27 %, and still share a large frame (scrolling, a resize). A
// user's own LP_NUM_THREADS is kept; other OpenGL drivers never read it.
void spareTheSoftwareRasteriser();

}  // namespace tessorin
