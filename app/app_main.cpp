// The velmar executable: the command line, then the main flow.
#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/app_jobs.h"
#include "app/app_options.h"
#include "app/app_render.h"

int main(int argc, char** argv) {
  APP_Options options;
  std::string message;
  switch (APP_OptionsParse(argc, argv, options, message)) {
    case APP_OPTIONS_DONE: std::fputs(message.c_str(), stdout); return 0;
    case APP_OPTIONS_BAD: std::fputs(message.c_str(), stderr); return 2;
    default: {
      if (!options.join.empty()) return APP_JoinRun(options);
      if (options.jobs > 1) return APP_JobsRun(options);
      const int status = APP_Run(options, nullptr);
      APP_RenderEndByStopSignal();
      return status;
    }
  }
}
