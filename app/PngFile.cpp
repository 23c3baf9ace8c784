#include "app/PngFile.h"

#include "index/Modules.h"

namespace dyskel {

Result<std::string> EncodePng(const C64Picture& picture) {
    Result<void*> entry = ModuleSymbol("png.so", "dyskel_encode_png");
    if (!entry) return Failure{"the PNG module " + entry.Error()};
    std::string bytes;
    if (!reinterpret_cast<bool (*)(const C64Picture*, std::string*)>(*entry)(&picture, &bytes))
        return Failure{"the PNG could not be made: out of memory"};
    return bytes;
}

} // namespace dyskel
