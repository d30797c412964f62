// Clip playback in the executable.
#pragma once

int VIDEO_Shutdown(void);
