// The setup dialog's procedure: fills the lists, keeps "Use Desktop Settings" in step with
// "Fullscreen", refills the drivers when the output changes, and on Start writes the choices
// into the shell's settings.
#include "app/app_dialog.h"

#include "app/app.h"
#include "platform/pl_dialog.h"
#include "platform/pl_fsound.h"

namespace {

template <std::size_t N>
void fill_list(HWND dialog, int id, const std::array<APP_OptionRow, N>& rows, int selected) {
  for (const APP_OptionRow& row : rows) SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, LPARAM(row.label));
  SendDlgItemMessageA(dialog, id, CB_SETCURSEL, WPARAM(selected), 0);
}

void check(HWND dialog, int id) { SendDlgItemMessageA(dialog, id, BM_SETCHECK, BST_CHECKED, 0); }
std::int32_t checked(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
std::int32_t row_of(HWND dialog, int id) { return std::int32_t(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0)); }

void initialise(HWND dialog) {
  fill_list(dialog, APP_IDC_RESOLUTION, APP_RESOLUTIONS, 2);
  fill_list(dialog, APP_IDC_FRAMEBUFFER, APP_FRAMEBUFFERS, 0);
  fill_list(dialog, APP_IDC_DEPTH, APP_DEPTHBUFFERS, 0);
  fill_list(dialog, APP_IDC_OUTPUT, APP_OUTPUTS, 0);
  fill_list(dialog, APP_IDC_FREQUENCY, APP_FREQUENCIES, 0);
  APP_FillDriverList(GetDlgItem(dialog, APP_IDC_OUTPUT), GetDlgItem(dialog, APP_IDC_DRIVER));
  SendDlgItemMessageA(dialog, APP_IDC_DRIVER, CB_SETCURSEL, 0, 0);
  check(dialog, APP_IDC_SOUND_EFFECTS);
  check(dialog, APP_IDC_FULLSCREEN);
  check(dialog, APP_IDC_SHADOWS);
  check(dialog, APP_IDC_PRELOAD);
  EnableWindow(GetDlgItem(dialog, APP_IDC_MIPMAPPING), FALSE);
  SetFocus(GetDlgItem(dialog, APP_IDC_START));
}

void read_settings(HWND dialog, APP_Settings& s) {
  s.resolutionRow = row_of(dialog, APP_IDC_RESOLUTION);
  s.framebufferRow = row_of(dialog, APP_IDC_FRAMEBUFFER);
  s.depthRow = row_of(dialog, APP_IDC_DEPTH);
  s.outputRow = row_of(dialog, APP_IDC_OUTPUT);
  s.driverRow = row_of(dialog, APP_IDC_DRIVER);
  s.frequencyRow = row_of(dialog, APP_IDC_FREQUENCY);
  s.fullscreen = checked(dialog, APP_IDC_FULLSCREEN);
  s.useDesktop = checked(dialog, APP_IDC_DESKTOP);
  s.dynamicShadows = checked(dialog, APP_IDC_SHADOWS);
  s.preload = checked(dialog, APP_IDC_PRELOAD);
  s.loop = checked(dialog, APP_IDC_LOOP);
}

}  // namespace

void APP_FillDriverList(HWND outputList, HWND driverList) {
  SendMessageA(driverList, CB_RESETCONTENT, 0, 0);
  auto row = std::int32_t(SendMessageA(outputList, CB_GETCURSEL, 0, 0));
  FSOUND_SetOutput(APP_OptionAt(APP_OUTPUTS, row, 0).value1);
  for (int i = 0; i < FSOUND_GetNumDrivers(); i++) SendMessageA(driverList, CB_ADDSTRING, 0, LPARAM(FSOUND_GetDriverName(i)));
  SendMessageA(driverList, CB_SETCURSEL, 0, 0);
}

INT_PTR APP_SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(dialog);
      return FALSE;  // the focus is set
    case WM_COMMAND: {
      if (LOWORD(wparam) == APP_IDC_OUTPUT)
        APP_FillDriverList(GetDlgItem(dialog, APP_IDC_OUTPUT), GetDlgItem(dialog, APP_IDC_DRIVER));
      HWND desktop = GetDlgItem(dialog, APP_IDC_DESKTOP);
      if (!checked(dialog, APP_IDC_FULLSCREEN)) {
        SendMessageA(desktop, BM_SETCHECK, BST_UNCHECKED, 0);
        EnableWindow(desktop, FALSE);
      } else {
        EnableWindow(desktop, TRUE);
      }
      // Only button clicks (notification 0) carry just the id in the whole word.
      switch (wparam) {
        case APP_IDC_ABOUT: MessageBoxA(dialog, "Velmar", "KVT", MB_OK); return TRUE;
        case APP_IDC_START:
          read_settings(dialog, APP_shell.settings);
          EndDialog(dialog, 1);
          return TRUE;
        case APP_IDC_QUIT: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
      }
    }
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
  }
}

int APP_RunSetupDialog(HINSTANCE instance) {
  PL_DialogAddTemplate(APP_IDD_SETUP, &APP_SETUP_DIALOG);
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(APP_IDD_SETUP), nullptr, APP_SetupDialogProc, 0) == 1;
}
