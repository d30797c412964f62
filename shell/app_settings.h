// The setup dialog's choice lists and the settings record Start fills.
#pragma once

#include <array>
#include <cstdint>

struct APP_OptionRow {
  char label[64];
  std::int32_t value1;  // the row's value
  std::int32_t value2;  // screen height for resolution rows, else 0
};

inline constexpr std::array<APP_OptionRow, 8> APP_RESOLUTIONS{{
    {"320 x 240", 320, 240},
    {"512 x 384", 512, 384},
    {"640 x 480", 640, 480},
    {"800 x 600", 800, 600},
    {"1024 x 768", 1024, 768},
    {"1152 x 864", 1152, 864},
    {"1280 x 1024", 1280, 1024},
    {"1600 x 1200", 1600, 1200},
}};

inline constexpr std::array<APP_OptionRow, 4> APP_FRAMEBUFFERS{{
    {"32 bit", 32, 0}, {"24 bit", 24, 0}, {"16 bit", 16, 0}, {"8 bit", 8, 0}}};

inline constexpr std::array<APP_OptionRow, 3> APP_DEPTHBUFFERS{{{"32 bit", 32, 0}, {"24 bit", 24, 0}, {"16 bit", 16, 0}}};

// Output values are the sound layer's output kinds.
inline constexpr std::array<APP_OptionRow, 3> APP_OUTPUTS{{
    {"Direct Sound (version 3 or better)", 2, 0},
    {"Windows Multimedia Waveout", 1, 0},
    {"No Sound", 0, 0},
}};

inline constexpr std::array<APP_OptionRow, 3> APP_FREQUENCIES{{{"44100 hz", 44100, 0}, {"22050 hz", 22050, 0}, {"11025 hz", 11025, 0}}};

// Rows are indices into the lists above; the driver row indexes the sound layer's drivers
// and is -1 when the chosen output has none.
struct APP_Settings {
  std::int32_t resolutionRow;
  std::int32_t framebufferRow;
  std::int32_t depthRow;
  std::int32_t outputRow;
  std::int32_t driverRow;
  std::int32_t frequencyRow;
  std::int32_t fullscreen;
  std::int32_t useDesktop;
  std::int32_t dynamicShadows;
  std::int32_t preload;
  std::int32_t loop;
  // Beyond the dialog (set only from the command line).
  std::int32_t width, height;  // a size of any shape instead of the resolution row; 0: the row's
  std::int32_t vsync;          // 1: one frame per display refresh
  std::int32_t stretch;        // 1: fill a drawable of any shape; 0: the largest centred 4:3 part
};

// What Start gives when nothing was touched.
inline constexpr APP_Settings APP_SETTINGS_DEFAULT{2, 0, 0, 0, 0, 0, 1, 0, 1, 1, 0, 0, 0, 1, 0};

// The row `row` of a choice list, or its row `fallback` where `row` is not one of its rows.
template <std::size_t N>
constexpr const APP_OptionRow& APP_OptionAt(const std::array<APP_OptionRow, N>& list, std::int32_t row, std::int32_t fallback) {
  return list[(row >= 0 && std::size_t(row) < N) ? std::size_t(row) : std::size_t(fallback)];
}
