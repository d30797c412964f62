// Parallel rendering: a range split into pieces on the frame grid, --jobs (pieces rendered at
// once by processes of this program on this machine, then joined) and --join (an output made
// from lossless pieces, which may come from many machines).
#pragma once

#include <string>

#include "app/app_options.h"

// The frames [a, b) of piece k (from 1) of n of the frames [first, end): contiguous, in order,
// and together exactly the range.
void APP_PieceFrames(long first, long end, int k, int n, long& a, long& b);
// What a piece carries in its container's tags so that --join can check the pieces tile a range:
// "K/N A B FPS WxH".
std::string APP_PieceTag(int k, int n, long a, long b, double fps, int width, int height);
inline constexpr const char* APP_PIECE_TAG = "VELMAR_PIECE";
// The environment variable naming the descriptor a piece's render writes a byte to per frame.
inline constexpr const char* APP_PROGRESS_FD = "VELMAR_PROGRESS_FD";

// --render OUT --jobs N: the pieces rendered by N processes (each with its share of the software
// renderer's threads) into a hidden folder beside OUT, then joined. Returns the exit status.
int APP_JobsRun(const APP_Options& options);
// --join OUT PIECE...: refuses (status 2, one line) pieces that do not tile one range, else
// writes OUT from their frames with one encode and the soundtrack cut to their range once.
int APP_JoinRun(const APP_Options& options);
