// Directory art as files: the listing as a text a user edits (disk name, ID
// and one entry a line), and names drawn elsewhere (a screen grab saved as a
// .prg, a raw file of 16-byte names), each made into a new order of the
// directory for ArrangeDirectory.
//
// The text, one item a line (blank lines and lines starting with "#" are
// skipped):
//   disk "NAME"        the disk name, 16 bytes of the header block (0x90-0x9F;
//                      0x04-0x13 on a D81)
//   id "ID"            the 5 bytes 2 after it (0xA2-0xA6; 0x16-0x1A on a D81):
//                      ID, 0xA0 and DOS type ("DY{$A0}2A")
//   SLOT TYPE SIZE "NAME"
// SLOT is the entry's number in the listing today (live entries from 1) or
// "new" for a new separator; TYPE as the C64 lists it ("PRG", "*SEQ" for an
// unclosed file, "PRG<" for a locked one); SIZE the blocks.  Texts are bytes:
// 0x20-0x5B and 0x5D but the quote as the ASCII character, every other byte
// as {$XX}; trailing 0xA0 padding is left out.
#pragma once

#include "core/DirOrder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dyskel {

// A disk text written with escapes: "AB{$A0}C".
std::string EscapedText(const std::string& bytes);

// The text of the listing: the header line's bytes (the disk name at
// labelOffset of the header block, the format's) and the live entries.
std::string DirArtText(const Block& header, const std::vector<DirEntry>& listed,
                       std::size_t labelOffset = D64Format.labelOffset);

// What a file asks of the directory.
struct DirArtImport {
    std::vector<Placement> order;
    DiskLabelBytes label;
};

// Reads the text against the live entries of the listing (today's numbers).
// Refused, naming the line, for a slot that names no entry or appears twice,
// a name longer than 16 bytes, more entries than maxEntries, a type or size
// that is not the entry's (an import changes neither), a "new" line that is
// not "DEL 0", and text that is none of the above; refused when an entry has
// no line.
[[nodiscard]] Result<DirArtImport> ParseDirArtText(std::string_view text, const std::vector<DirEntry>& listed,
                                                   int maxEntries);

// The PETSCII byte a screen code is typed as in a name; none for reversed
// codes (0x80-0xFF).
std::optional<std::uint8_t> ScreenCodeToPetscii(std::uint8_t code);

// The names of a screen grab: a load address, then rows of 40 screen codes,
// the first 16 of a row a name; trailing rows whose 16 codes are all blanks
// are left out.  Refused for a part of a row at the end and for a reversed
// code, naming its row and column (from 1).
[[nodiscard]] Result<std::vector<NameBytes>> NamesFromScreenGrab(const std::vector<std::uint8_t>& bytes);

// The names of a raw file: 16 bytes each.  Refused when the size is not a
// multiple of 16.
[[nodiscard]] Result<std::vector<NameBytes>> NamesFromRawFile(const std::vector<std::uint8_t>& bytes);

// Names onto the listing's live entries from the first (types and chains
// kept), names beyond the last entry as separators; with append every name
// a separator after the last entry.  Refused when more entries than
// maxEntries would result, naming the row.
[[nodiscard]] Result<DirArtImport> PlaceNames(const std::vector<NameBytes>& names,
                                              const std::vector<DirEntry>& listed, int maxEntries,
                                              bool append);

// Whether ReadDirArtFile takes the file as the text (else as names).
bool DirArtFileIsText(const std::string& fileName, const std::vector<std::uint8_t>& bytes);

// A file of any of the three kinds: a name ending in ".prg" (any case) is a
// screen grab, a name ending in ".txt" or bytes starting with "disk \"" the
// text, anything else raw names.  append is for the two kinds of names; for
// the text it is refused.
[[nodiscard]] Result<DirArtImport> ReadDirArtFile(const std::string& fileName,
                                                  const std::vector<std::uint8_t>& bytes,
                                                  const std::vector<DirEntry>& listed, int maxEntries,
                                                  bool append);

} // namespace dyskel
