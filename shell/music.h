// Music playback and the music clock: seconds since the soundtrack started playing.
#pragma once

#include <cmath>

inline constexpr const char* MUSIC_FILE = "data\\music\\soundtrack_56k.mp3";

int MUSIC_Init(void);
int MUSIC_Play(void);
int MUSIC_StreamClose(void);
int MUSIC_Close(void);
// Where MUSIC_Play starts the track and the clock, in seconds (0 unless set); call before it.
void MUSIC_SetStart(float seconds);
// Starts the music clock alone, from the timer's present value, with no music: a live start
// runs the show ahead on a manual timer this way, and MUSIC_Play then starts the music where
// the show has got to.
void MUSIC_ClockStart(void);
float MUSIC_GetTime(void);
float MUSIC_GetFraction(void);
// Sets the playing channel's volume (0..255); used by the end-of-track fade.
void MUSIC_SetVolume(int volume);
const char* MUSIC_ErrorString(int code);

// The frame grid of a render at `fps` frames a second, frame 0 at music time 0. The frame for a
// music time is the first at or after it; a time less than a millionth of a frame past a frame
// is that frame, so that a decimal time meant to lie on the grid (8.3 s at 30 fps, whose
// product is 249.00000000000003) lands on it. Renderer, scripts (velmar --frame-numbers) and
// the golden frame tool all count frames by these two.
inline long MUSIC_FrameAt(double seconds, double fps) { return long(std::ceil(seconds * fps - 1e-6)); }
// The music time frame `frame` shows.
inline double MUSIC_FrameTime(long frame, double fps) { return double(frame) / fps; }
