// The program's icon for the desktop's menus: a night sky with a moon over a ridge and a glowing
// "v", in the pack's palette.
#pragma once

#include "tools/mkcontent/mkc_raster.h"

// The icon, size x size pixels (drawn for 128; other sizes scale).
MKC_Canvas MKC_DrawIcon(int size);
