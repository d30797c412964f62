// Small scene sets and a stepping clock for the scene-section tests: sets of boxes with lights
// built through the engine's interface, and a frame observer that moves the manual music clock
// on by a fixed step after every frame and can stop a section after a given frame.
#pragma once

#include <functional>
#include <vector>

#include "engine/kr_scene.h"
#include "show/demo_content.h"

namespace vt {

// A set of `boxes` boxes (the first one a large room seen from inside when `room` is set) and
// `lights` white moving lights, all lightmapped and casting shadows.
DEMO_SceneSet* BuildSceneSet(int boxes, int lights, bool room = false);
void FreeSceneSet(DEMO_SceneSet* set);

// Runs `section` with the music clock at `startMs`, moved on by `stepMs` after every frame; the
// callback sees each frame's music time (before the step) and returns false to stop the show
// after that frame.
void RunSection(int (*section)(void), unsigned startMs, unsigned stepMs,
                const std::function<bool(float)>& frame = nullptr);

}  // namespace vt
