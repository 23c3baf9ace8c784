// A picture of the C64 screen as a PNG file, written by libpng in a module
// (png.so beside the index module) that only dir --png loads, so that the
// other commands start without libpng.
#pragma once

#include "core/Result.h"
#include "tools/C64Font.h"

#include <string>

namespace dyskel {

// The picture as the bytes of an 8-bit RGB PNG.
[[nodiscard]] Result<std::string> EncodePng(const C64Picture& picture);

} // namespace dyskel
