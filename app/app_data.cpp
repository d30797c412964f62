// Where the content comes from: --data names it; else ./data, when the current folder has one;
// else the pack an installation put beside the program (bin/../share/velmar/data).
#include "app/app_data.h"

#include <filesystem>
#include <system_error>

#include "platform/pl_platform.h"

#ifndef VELMAR_INSTALLED_DATA
#define VELMAR_INSTALLED_DATA "../share/velmar/data"
#endif

std::string APP_DataDir(const std::string& option) {
  if (!option.empty()) return option;
  std::error_code ec;
  if (std::filesystem::is_directory("data", ec)) return "";
  std::filesystem::path installed = std::filesystem::path(PL_ExecutableDir()) / VELMAR_INSTALLED_DATA;
  if (std::filesystem::is_directory(installed, ec)) return installed.lexically_normal().string();
  return "";
}
