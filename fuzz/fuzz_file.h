// The image readers take file names: each fuzz input is written to a file of this process first.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the input to a per-process file ending in `extension` and returns its name.
const char* FUZZ_WriteInput(const std::uint8_t* data, std::size_t size, const char* extension);
