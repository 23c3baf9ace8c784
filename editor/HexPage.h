// The editor's "Hex Editor" page: one block as hex digits and as C64
// characters, the two grids always selecting the same byte.
#pragma once

#include <QLineEdit>
#include <QSpinBox>
#include <QWidget>
#include <array>
#include <cstdint>

class QTableWidget;

namespace dyskel {

// A spin edit that takes no typing: only its arrows, the arrow keys and the
// wheel step it.
class TSpinEdit : public QSpinBox {
  public:
    explicit TSpinEdit(QWidget* parent = nullptr) : QSpinBox(parent) { lineEdit()->setReadOnly(true); }
};

class THexPage : public QWidget {
    Q_OBJECT
  public:
    static constexpr int HexColumns = 17; // fixed column 0, bytes in 1 to 16
    static constexpr int TextColumns = 16;
    static constexpr int Rows = 17; // fixed row 0, bytes in rows 1 to 16

    explicit THexPage(QWidget* parent = nullptr);

    // Header texts of both grids; the hex grid's current cell becomes row 1,
    // column 1 (which selects byte 0 in both grids).
    void WriteHeaders();

    // Shows the 256 bytes of a block in both grids and keeps a copy of them;
    // whatever was typed into the hex grid is replaced.
    void ShowBlock(const std::uint8_t* block);

    // The block on show, as last given to ShowBlock.
    const std::array<std::uint8_t, 256>& ShownBlock() const { return shown_; }

    // The byte under the text grid's current cell: column + (row - 1) * 16,
    // taken in 8 bits.
    int SelectedIndex() const;

    // Byte 0 selected, through the hex grid as a click would.
    void SelectFirstByte();

    QTableWidget* StrGridHexEd = nullptr;
    QTableWidget* StrGridTextEd = nullptr;

  signals:
    // The selected byte may have changed (either grid's current cell moved).
    void byteSelected();

  private:
    void StrGridHexEdClick();
    void StrGridTextEdClick();

    std::array<std::uint8_t, 256> shown_{};
};

} // namespace dyskel
