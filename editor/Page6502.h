// The editor's "6502 DisAssembler" page: a whole program file as a 6502
// disassembly, as hex and text or as BASIC V2 lines.
#pragma once

#include "editor/EditorContext.h"

#include <QWidget>

class QAction;
class QLabel;
class QMenu;
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
    // "Start at...": asks for the address the disassembly's code starts at.
    void StartAt();
    // "Save as source...": writes the file as ca65 source, read as the
    // disassembly reads it.
    void SaveAsSource();

    QTableView* StrGrid6502 = nullptr;
    QLabel* PanelLoadAdr = nullptr;
    QLabel* PanelBlocks = nullptr;
    QLabel* PanelStartAdr = nullptr;
    QLabel* PanelEndAdr = nullptr;
    QProgressBar* Gauge6502 = nullptr;
    QPushButton* Btn6502Mode = nullptr;
    QMenu* Popup6502 = nullptr; // the grid's right-click menu
    QAction* PMnu6502StartAt = nullptr;
    QAction* PMnu6502Source = nullptr;

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
