// krtool's subcommands. Each takes the arguments after its name and returns the exit status.
#pragma once

struct KRT_Command {
  const char* name;
  const char* usage;
  int (*run)(int argc, char** argv);
};

int KRT_Pack(int argc, char** argv);
int KRT_Unpack(int argc, char** argv);
int KRT_KrmInfo(int argc, char** argv);
int KRT_KrkInfo(int argc, char** argv);
int KRT_Image(int argc, char** argv);
int KRT_LightmapBake(int argc, char** argv);

// Prints "krtool: <message>" on standard error and returns 1, for one-line failures.
int KRT_Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Engine messages (KR_Error) go to standard error while a subcommand runs.
void KRT_ShowEngineErrors(void);
