// The executable's resources: the setup dialog's template (dialog units, tab order).
#include <iterator>

#include "app/app_dialog.h"
#include "platform/pl_dialog.h"

namespace {

// The lists are drop-down lists: a viewer picks a row and cannot type one that is not there.
constexpr PL_DlgControl kSetupControls[] = {
    {APP_IDC_START, PL_DLG_DEFPUSHBUTTON, "Start", 395, 107, 50, 15, WS_TABSTOP},
    {APP_IDC_QUIT, PL_DLG_PUSHBUTTON, "Quit", 395, 129, 50, 15, WS_TABSTOP},
    {-1, PL_DLG_GROUPBOX, "Rendering", 5, 5, 160, 140, 0},
    {APP_IDC_SOUND_GROUP, PL_DLG_GROUPBOX, "Sound", 175, 5, 270, 75, 0},
    {APP_IDC_SHADOWS, PL_DLG_AUTOCHECKBOX, "Dynamic Shadows", 15, 115, 80, 10, WS_TABSTOP},
    {APP_IDC_MIPMAPPING, PL_DLG_AUTOCHECKBOX, "Mipmapping", 15, 130, 55, 10, WS_DISABLED},
    {APP_IDC_RESOLUTION, PL_DLG_DROPDOWNLIST, nullptr, 15, 20, 95, 70, WS_VSCROLL | WS_TABSTOP},
    {APP_IDC_RESOLUTION_LABEL, PL_DLG_STATIC, "Resolution", 115, 20, 35, 10, WS_GROUP},
    {APP_IDC_FULLSCREEN, PL_DLG_AUTOCHECKBOX, "Fullscreen", 15, 85, 72, 10, WS_TABSTOP},
    {APP_IDC_DESKTOP, PL_DLG_AUTOCHECKBOX, "Use Desktop Settings", 15, 100, 85, 10, WS_TABSTOP},
    {APP_IDC_ABOUT, PL_DLG_PUSHBUTTON, "About", 395, 85, 50, 15, WS_TABSTOP},
    {APP_IDC_FRAMEBUFFER_LABEL, PL_DLG_STATIC, "Framebuffer", 115, 40, 40, 10, 0},
    {APP_IDC_OUTPUT_LABEL, PL_DLG_STATIC, "Output", 395, 20, 35, 10, 0},
    {APP_IDC_DEPTH_LABEL, PL_DLG_STATIC, "Depthbuffer", 115, 60, 45, 10, 0},
    {APP_IDC_FRAMEBUFFER, PL_DLG_DROPDOWNLIST, nullptr, 15, 40, 95, 70, 0},
    {APP_IDC_DEPTH, PL_DLG_DROPDOWNLIST, nullptr, 15, 60, 95, 70, 0},
    {APP_IDC_OUTPUT, PL_DLG_DROPDOWNLIST, nullptr, 185, 20, 200, 70, 0},
    {APP_IDC_DRIVER_LABEL, PL_DLG_STATIC, "Driver", 395, 40, 35, 10, 0},
    {APP_IDC_DRIVER, PL_DLG_DROPDOWNLIST, nullptr, 185, 40, 200, 70, 0},
    {APP_IDC_FREQUENCY_LABEL, PL_DLG_STATIC, "Frequency", 395, 60, 35, 10, 0},
    {APP_IDC_FREQUENCY, PL_DLG_DROPDOWNLIST, nullptr, 320, 60, 65, 70, 0},
    {-1, PL_DLG_PICTURE, nullptr, 175, 85, 213, 62, 0},  // bitmap 108, which is not shipped
    {APP_IDC_SOUND_EFFECTS, PL_DLG_AUTOCHECKBOX, "Enable Sound Effects", 185, 60, 120, 10, WS_DISABLED},
    {APP_IDC_LOOP, PL_DLG_AUTOCHECKBOX, "Loop", 105, 85, 47, 15, WS_DISABLED},
    {APP_IDC_PRELOAD, PL_DLG_AUTOCHECKBOX, "Preload data", 105, 100, 55, 15, WS_DISABLED},
};

}  // namespace

const PL_DlgTemplate APP_SETUP_DIALOG{
    "Velmar by KVT", "MS Sans Serif", 8, 0, 0, 452, 151, kSetupControls, int(std::size(kSetupControls)),
};
