// The folder the show reads its content from.
#pragma once

#include <string>

// The data folder for the --data option `option` (may be empty): the option itself, "" for
// ./data (the current folder's, when it has one), or the installed pack beside the program.
std::string APP_DataDir(const std::string& option);
