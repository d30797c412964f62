// PLACEHOLDER until the setup dialog lands: Start with every default.
#include "app/app_shell.h"

int APP_RunSetupDialog(HINSTANCE) {
  APP_shell.settings = APP_SETTINGS_DEFAULT;
  return 1;
}
