// The show: content loading and the timeline.
#pragma once

int DEMO_LoadContent(int preload);
int DEMO_RunShow(void);
