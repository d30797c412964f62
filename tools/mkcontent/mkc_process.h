// Running the encoders mkcontent hands work to (ffmpeg, lame, clppack): a child process started
// from an argument list (no shell), optionally fed through a pipe on its standard input.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct MKC_Process {
  int pid = -1;
  int input = -1;  // write end of the child's standard input, or -1
};

// Starts argv[0] found on PATH. With `feed` the child's standard input is a pipe the caller
// writes to; otherwise it reads nothing. Its standard output goes to our standard error. False
// when the process cannot be started.
bool MKC_Start(MKC_Process& p, const std::vector<std::string>& argv, bool feed);
// Writes all bytes into the child's input; false when the child has gone away.
bool MKC_Feed(MKC_Process& p, const void* data, std::size_t size);
// Closes the input (if any) and waits; true when the child exited with status 0.
bool MKC_Finish(MKC_Process& p);
// The program to run for one of the project's own tools: the copy next to the running
// executable when there is one, else the bare name (looked up on PATH).
std::string MKC_Tool(const char* name);
// Starts and waits in one go.
bool MKC_Run(const std::vector<std::string>& argv);
