// Included first by each source of a linked-in copy of the clip library (clp_copies.cmake): the
// standard and platform headers the library's sources use, so that their declarations stay
// outside the copy's namespace. A library source that includes another standard header must
// have it added here.
#pragma once

#include <csetjmp>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/pl_platform.h"
