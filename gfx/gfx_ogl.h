// The OpenGL driver.
#pragma once

int GFX_OglShutdown(void);
