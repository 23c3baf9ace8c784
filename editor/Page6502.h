// The editor's "6502 DisAssembler" page: a whole program file as a 6502
// disassembly or as hex and text.
#pragma once

#include "editor/EditorContext.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

namespace dyskel {

class TListing6502Model;

class T6502Page : public QWidget {
    Q_OBJECT
  public:
    T6502Page(EditorServices& services, IEditorHost& host, QWidget* parent = nullptr);

    // At each opening: the panels' captions, header row of the default mode,
    // two rows, listing mode set to disassembly.
    void PrepareForOpening();

    // "Dis&Assemble File" on an entry whose first block is (track, sector).
    void DisassembleFile(int track, int sector);

    // Fills StrGrid6502 from the file buffer in the current listing mode.
    void List6502();
    void Btn6502ModeClick();

    QTableView* StrGrid6502 = nullptr;
    QLabel* PanelLoadAdr = nullptr;
    QLabel* PanelBlocks = nullptr;
    QLabel* PanelStartAdr = nullptr;
    QLabel* PanelEndAdr = nullptr;
    QProgressBar* Gauge6502 = nullptr;
    QPushButton* Btn6502Mode = nullptr;

    // The rows on show (the grid's header row excluded).
    TListing6502Model* Model() const { return model_; }

  private:
    void SetColumnWidths();
    void ShowEmptyPanels(); // captions in the panels, no gauge

    EditorServices& svc_;
    IEditorHost& host_;
    TListing6502Model* model_ = nullptr;
};

} // namespace dyskel
