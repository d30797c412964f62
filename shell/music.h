// Music playback and the music clock: seconds since the soundtrack started playing.
#pragma once

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
