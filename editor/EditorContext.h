// What the editor window's pages share: the plain data of the open image and
// the few things a page asks of the window around it.
#pragma once

#include "core/Directory.h"
#include "core/ImageUpdate.h"
#include "core/Uglobal.h"
#include "disasm/Listing6502.h"
#include "options/Options.h"

#include <QPoint>

class QWidget;
#include <QString>

namespace dyskel {

class IDialogs;
class IIniFile;
class TExportFileName;

// Owned by the program (or by a test), alive as long as the editor window.
struct EditorData {
    ImageRef image; // the image open, as the editor was given it (its time stamp kept current)
    // Header, BAM and directory as last read from the image; none when it
    // could not be read.
    std::optional<DiskView> view;
    QPoint place;            // where the window opens: over the main window
    FileBuffer6502 file6502; // the file last gathered for the 6502 page
    GatherResult gather;     // how that walk went
    ListingMode listingMode = ListingMode::Asm;
    // Where the disassembly's code starts: the SYS address of the file's
    // BASIC line, or one chosen with "Start at..."; none lists from the load
    // address on.
    std::optional<std::uint16_t> start6502;
    std::vector<UpdateResult> undo; // the writes since the opening, last one last
    // The D81 partition shown as a disk (its entry's first block), read-only;
    // none: the disk itself.
    std::optional<BlockAddress> partition;
};

// Services of the editor window that its pages call.
class IEditorHost {
  public:
    virtual ~IEditorHost() = default;
    // Jump To: set the track selector, then the sector selector (each runs
    // its change handler), show the Hex Editor page and select byte 0.
    virtual void JumpToBlock(int track, int sector) = 0;
    // True in edit mode; in display mode shows the edit-mode prompt first and
    // tells whether the user switched to edit mode.
    virtual bool EnsureEditMode() = 0;
    // Shows notebook page 0 Hex Editor, 1 Directory, 2 BAM, 3 6502.
    virtual void ShowPage(int index) = 0;
    // "Dis&Assemble File": walk the file from (track, sector) and list it on
    // the 6502 page.
    virtual void DisassembleFile(int track, int sector) = 0;
    // Writes a change through the one write path (asking first when the
    // Prompt option is on), keeps it for Undo and shows the image as it is
    // afterwards; true when the image was written.
    virtual bool ApplyEdit(const ImageEdit& edit) = 0;
    // Puts back the blocks of the last write since the opening.
    virtual void Undo() = 0;
    // Shows the partition of the entry (a D81's CBM entry laid out as a
    // sub-directory) as a disk, read-only; nullptr goes back to the disk.
    virtual void OpenPartition(const DirEntry* entry) { (void)entry; }
};

// Lines of an engine message as one text of the windows (lines end in LF CR).
inline QString JoinLines(const std::vector<std::string>& lines) {
    QString text;
    for (const std::string& line : lines) {
        if (!text.isEmpty()) text += QStringLiteral("\n\r");
        text += QString::fromStdString(line);
    }
    return text;
}

// The write path's question "Update file ...?" as a Yes / No / All box; for a
// change that destroys something a Yes / No box naming it, "No" the default.
UpdateResult WriteWithOptions(const std::string& imagePath, const ImageEdit& edit, Options& options,
                              IDialogs& dialogs, QWidget* parent);

// How the 6502 listings read a file under the options, from a start.
inline AsmOptions ListingOptions(const Options& options, std::optional<std::uint16_t> start) {
    AsmOptions a;
    a.start = start;
    a.opcodes = options.illegalOpcodes ? OpcodeSet::WithUndocumented : OpcodeSet::Documented;
    a.symbols = options.c64Symbols;
    return a;
}

// Everything a page is built with.
struct EditorServices {
    EditorData& data;
    Options& options;
    IDialogs& dialogs;
    TExportFileName* exportDialog = nullptr; // the export file-name dialog
    IIniFile* ini = nullptr;                 // the settings file (Import's last folder); none in some tests
};

} // namespace dyskel
