// The editor's "6502 DisAssembler" page: a whole program file as a 6502
// disassembly or as hex and text.
#pragma once

#include "editor/EditorContext.h"

#include <QWidget>

namespace dyskel {

class T6502Page : public QWidget {
    Q_OBJECT
  public:
    T6502Page(EditorServices& services, IEditorHost& host, QWidget* parent = nullptr);

    // At each opening: header row of the default mode, two rows, listing
    // mode set to disassembly.
    void PrepareForOpening();

    // "Dis&Assemble File" on an entry whose first block is (track, sector).
    void DisassembleFile(int track, int sector);

  private:
    EditorServices& svc_;
    IEditorHost& host_;
};

} // namespace dyskel
