// The graphics driver table and frame control.
#pragma once

#include "platform/win32.h"

struct GFX_Driver;

int GFX_DriverValid(int index);
GFX_Driver* GFX_DriverGet(int index);
int GFX_DriverSelect(GFX_Driver* driver, HWND window);
int GFX_SetMode(int width, int height, int colourBits, int depthBits, int stencilBits, int reserved);
int GFX_SetPerspective(float fov, float nearPlane, float farPlane);
void GFX_BeginFrame(void);
int GFX_EndFrame(void);
