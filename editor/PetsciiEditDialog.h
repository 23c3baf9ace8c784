// The PETSCII editor: an entry's 16 name bytes, or the header line's disk
// name and ID (0x90-0x9F and 0xA2-0xA6), in the C64 font, typed as on a C64
// or picked from a palette of all 256 codes, with the line as the C64 will
// print it.  Codes that break a listing are marked with what the C64 will
// do; they are allowed.
#pragma once

#include "disasm/C64Screen.h"

#include <QDialog>

#include <cstdint>
#include <optional>
#include <vector>

class QLabel;

namespace dyskel {

class TPetsciiCells;

// The byte a key gives on a C64: a letter 0x41-0x5A, with Shift 0xC1-0xDA,
// with the C= key (left Alt) the graphic printed on its front; digits and
// punctuation as themselves, with Ctrl or C= the digits 1-8 give the colour
// codes; Shift+Space 0xA0.  None for a key the C64 has no byte for.
std::optional<std::uint8_t> C64KeyByte(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);

// What the C64 does with a byte that breaks a listing ("" for any other).
QString ListingBreakNote(std::uint8_t b);

class TPetsciiEditDialog : public QDialog {
    Q_OBJECT
  public:
    // For an entry: header is the disk's header block, entry the entry, bytes
    // its 16 name bytes.  For the disk label: entry none, bytes the 16 name
    // bytes and the 5 bytes of ID and DOS type 2 after them.  The disk name
    // is at labelOffset of the header block (the format's); blocksFree is the
    // BLOCKS FREE the drive prints.
    TPetsciiEditDialog(QWidget* parent, const Block& header, std::optional<DirEntry> entry,
                       std::vector<std::uint8_t> bytes, std::size_t labelOffset, std::uint16_t blocksFree);

    const std::vector<std::uint8_t>& Bytes() const;

  private:
    void Changed();

    Block header_;
    std::size_t labelOffset_;
    std::uint16_t blocksFree_;
    std::optional<DirEntry> entry_;
    TPetsciiCells* cells_;
    QLabel* LblPetsciiPreview;
    QLabel* LblPetsciiNote;
};

} // namespace dyskel
