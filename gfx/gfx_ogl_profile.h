// OpenGL pass profile (VELMAR_GL_PROFILE=1): where each section's drawing time goes, by kind of
// pass. A software renderer draws when it is made to finish, so the profile makes it finish
// whenever the kind of work changes (2D quads, 3D polygons, a zoom blur, a capture, ...) and
// charges the time since the last change to the kind that ran. The finishes cost time of their
// own, and the frames are slower than without the profile; the shares are what it is for.
#pragma once

struct GFX_OglProfileState {
  int on;
  const char* kind;  // the kind of work running since `since`; null before the first
  double since;      // seconds on the monotonic clock
  int (*section)(void);  // the show's section now; null: all in section 0
};

extern GFX_OglProfileState GFX_oglProfile;

// Starts the profile on the current context when VELMAR_GL_PROFILE is set to anything but ""
// or "0"; returns whether it runs.
int GFX_OglProfileStart(void);
// A driver function begins (outermost only): a new kind of work ends the one running.
void GFX_OglProfileEnter(const char* function);
// Prints, per section drawn, the milliseconds a frame each kind took, largest first, on
// standard error ("profile section 6 frames 600: ..."); nothing when the profile is off.
void GFX_OglProfilePrint(void);
