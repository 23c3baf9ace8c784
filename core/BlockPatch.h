// The Hex Editor's Write Block: only the bytes the user typed are written,
// into the block as the image holds it at the time of the write, and only
// while that is still the block the user saw.
#pragma once

#include "core/ImageUpdate.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace dyskel {

// The bytes typed into one block: a value at each offset typed, none elsewhere.
using TypedBytes = std::array<std::optional<std::uint8_t>, BlockSize>;

// The block with the typed bytes put over it.
Block WithTypedBytes(const Block& block, const TypedBytes& typed);

// True when a byte of the block was typed.
bool AnyTyped(const TypedBytes& typed);

// "18,01 changed on the disk since it was read"
std::string BlockChangedText(BlockAddress at);

// Writes the typed bytes into the block at `at`.  The block is read from the
// image as the write path reads it; when it is no longer `read` (in any byte:
// another program wrote it since) the edit fails with BlockChangedText, and
// nothing is written.
ImageEdit PatchBlock(BlockAddress at, const Block& read, const TypedBytes& typed);

} // namespace dyskel
