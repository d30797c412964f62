// The engine clock: milliseconds since the last reset, from the multimedia timer.
#pragma once

int KR_TimerInitialise(void);
int KR_TimerReset(void);
float KR_TimerGetMs(void);
float KR_TimerGetSeconds(void);
