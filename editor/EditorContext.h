// What the editor window's pages share: the plain data of the open image and
// the few things a page asks of the window around it.
#pragma once

#include "core/Uglobal.h"
#include "disasm/Listing6502.h"

#include <QString>

namespace dyskel {

class IDialogs;
class TOptions;
class TExportFileName;

// Owned by the program (or by a test), alive as long as the editor window.
struct EditorData {
    OpenImageState& image;   // filled by the main window before each opening
    TrackBuffer track;       // the track buffer every page reads through
    FreeMap freeMap;         // decoded from the BAM at each opening
    FileBuffer6502 file6502; // the file last gathered for the 6502 page
    GatherResult gather;     // how that walk went
    char listingMode = 'A';  // 'A' disassembly, 'T' hex and text

    explicit EditorData(OpenImageState& img) : image(img) {}
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
    // The image file name in the window's file-name box.
    virtual QString FileNameBox() const = 0;
    // "Dis&Assemble File": walk the file from (track, sector) and list it on
    // the 6502 page.
    virtual void DisassembleFile(int track, int sector) = 0;
};

// A count of blocks in the window's own messages: "1 block", "2 blocks".
inline QString BlockCountText(int blocks) {
    return blocks == 1 ? QStringLiteral("1 block") : QStringLiteral("%1 blocks").arg(blocks);
}

// Everything a page is built with.
struct EditorServices {
    EditorData& data;
    TOptions& options;
    IDialogs& dialogs;
    TExportFileName* exportDialog = nullptr; // the export file-name dialog
};

} // namespace dyskel
