#include "core/BlockPatch.h"

#include "core/Directory.h"

#include <algorithm>

namespace dyskel {

Block WithTypedBytes(const Block& block, const TypedBytes& typed) {
    Block out = block;
    for (std::size_t i = 0; i < out.size(); ++i)
        if (typed[i]) out[i] = *typed[i];
    return out;
}

bool AnyTyped(const TypedBytes& typed) {
    return std::any_of(typed.begin(), typed.end(), [](const auto& b) { return b.has_value(); });
}

std::string BlockChangedText(BlockAddress at) {
    return BlockText(at) + " changed on the disk since it was read";
}

ImageEdit PatchBlock(BlockAddress at, const Block& read, const TypedBytes& typed) {
    return [at, read, typed](const DiskImage& image) -> Result<EditPlan> {
        Result<Block> now = image.ReadBlock(at);
        if (!now) return Failure{now.Error() + " Nothing was written."};
        if (*now != read) return Failure{BlockChangedText(at) + "; nothing was written."};
        return EditPlan{{{at, WithTypedBytes(*now, typed)}}, {}, {}};
    };
}

} // namespace dyskel
