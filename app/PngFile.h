// A picture of the C64 screen as a PNG file (libpng, linked into dyskel-cli
// statically, so that the other commands start without it).
#pragma once

#include "tools/C64Font.h"

#include <string>

namespace dyskel {

// The picture as the bytes of an 8-bit RGB PNG.
std::string EncodePng(const C64Picture& picture);

} // namespace dyskel
