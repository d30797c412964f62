// The desktop icon, drawn at 128 x 128 and resized where another size is asked for.
#include "tools/mkcontent/mkc_icon.h"

#include <cmath>

#include "tools/mkcontent/mkc_draw.h"

using namespace mkc_palette;

MKC_Canvas MKC_DrawIcon(int size) {
  const int n = 128;
  MKC_Canvas c(n, n);
  MKC_GradientY(c, {{0.0f, kNight}, {0.55f, kViolet}, {0.85f, kPlum}, {1.0f, kRose}});
  MKC_Stars(c, 4, 4, 124, 70, 40, 0x1c0u, 0.9f);
  MKC_Glow(c, 92, 34, 26, kCoral, 0.6f);
  MKC_FillCircle(c, 92, 34, 13, kCream);
  MKC_Ridge(c, [](float x) { return 96.0f + 8.0f * std::sin(x * 0.07f) + 4.0f * std::sin(x * 0.19f + 1.0f); }, kInk);
  MKC_Lettering v;
  v.style = {62, 9.0f, 0.0f};
  v.glowRadius = 7;
  v.glowStrength = 1.0f;
  MKC_DrawLettering(c, "v", 64, 110, v, true);
  MKC_Vignette(c, 0.35f);
  return size == n ? c : MKC_Resize(c, size, size);
}
