// Netpbm reading for the image tests.
#include "tests/gfx/img_test_util.h"

#include <cctype>

#include "tests/support/test_util.h"

namespace vt {

namespace {

// The next header token, skipping blanks and # comments.
std::string token(const Bytes& b, std::size_t& i) {
  for (;;) {
    while (i < b.size() && std::isspace(b[i])) i++;
    if (i < b.size() && b[i] == '#')
      while (i < b.size() && b[i] != '\n') i++;
    else
      break;
  }
  std::string t;
  while (i < b.size() && !std::isspace(b[i])) t += char(b[i++]);
  return t;
}

}  // namespace

Netpbm ReadNetpbm(const std::string& path) {
  Bytes b = ReadFile(path);
  Netpbm n;
  std::size_t i = 0;
  std::string magic = token(b, i);
  if (magic == "P6") {
    n.width = std::stoi(token(b, i));
    n.height = std::stoi(token(b, i));
    if (token(b, i) != "255") return {};
    n.channels = 3;
  } else if (magic == "P7") {
    for (std::string t = token(b, i); t != "ENDHDR" && !t.empty(); t = token(b, i)) {
      if (t == "WIDTH") n.width = std::stoi(token(b, i));
      if (t == "HEIGHT") n.height = std::stoi(token(b, i));
      if (t == "DEPTH") n.channels = std::stoi(token(b, i));
      if (t == "MAXVAL" && token(b, i) != "255") return {};
      if (t == "TUPLTYPE") token(b, i);
    }
  } else {
    return {};
  }
  i++;  // the single blank after the header
  n.samples.assign(b.begin() + std::ptrdiff_t(i), b.end());
  if (n.samples.size() != std::size_t(n.width) * std::size_t(n.height) * std::size_t(n.channels)) return {};
  return n;
}

}  // namespace vt
