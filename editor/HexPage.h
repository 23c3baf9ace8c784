// The editor's "Hex Editor" page: one block as hex digits and as C64
// characters, the two grids always selecting the same byte.
#pragma once

#include "core/BlockPatch.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QMenu;
class QTableWidget;

namespace dyskel {

// A spin edit stepped by its arrows, the arrow keys and the wheel, or given a
// typed number, taken on Enter or when the focus leaves.  With wrapEnds the
// two ends of the range stand for a step past the first and the last value
// and cannot be typed.  A number outside the typed range is refused: the
// value stays and the box's tool tip names the range.
class TSpinEdit : public QSpinBox {
  public:
    TSpinEdit(const QString& what, bool wrapEnds, QWidget* parent = nullptr);
    int LowestTyped() const { return minimum() + (wrapEnds_ ? 1 : 0); }
    int HighestTyped() const { return maximum() - (wrapEnds_ ? 1 : 0); }

  protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& input) const override;

  private:
    QString what_;
    bool wrapEnds_;
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

    // Empty grids and a block of zeros kept: a block that could not be read.
    void ShowNothing();

    // The block on show, with the bytes typed in Edit mode.
    const Block& ShownBlock() const { return shown_; }
    // The block as it was read, and the bytes typed over it.
    const Block& ReadBytes() const { return read_; }
    const TypedBytes& Typed() const { return typed_; }
    // The block as it is read now under the bytes typed: they stay on top.
    void ShowUnderTyped(const Block& block);

    // In Edit mode hex digits typed into the hex grid and characters typed
    // into the text grid change the bytes of the block on show; Backspace
    // takes the last typed byte back, Escape all of them; in Display mode the
    // grids take typing as plain cell text.
    void SetEditing(bool on);
    // True while typed bytes are not written.
    bool HasChanges() const { return AnyTyped(typed_); }
    // Forgets the typed bytes: the block as it was read shows again.
    void DiscardChanges();
    // The byte at index i was typed and is not written.
    bool Changed(int i) const { return typed_[std::size_t(i)].has_value(); }

    // The byte under the text grid's current cell: column + (row - 1) * 16,
    // taken in 8 bits.
    int SelectedIndex() const;

    // The selected bytes of a grid in byte order: hex digits separated by
    // blanks from the hex grid, the characters from the text grid.  Ctrl+C
    // copies it.
    QString SelectedText(bool hex) const;

    // Byte 0 selected, through the hex grid as a click would.
    void SelectFirstByte();

    QTableWidget* StrGridHexEd = nullptr;
    QTableWidget* StrGridTextEd = nullptr;

    QMenu* GridMenu = nullptr;
    QAction* MnuWriteBlock = nullptr;

  signals:
    // The selected byte may have changed (either grid's current cell moved).
    void byteSelected();
    // A byte of the block was typed.
    void blockEdited();
    // Ctrl+S or "Write Block": the typed bytes are to be written.
    void writeRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void StrGridHexEdClick();
    void StrGridTextEdClick();

    // A byte typed at index; the selection moves on, or stops at the end.
    void Type(int index, std::uint8_t value);
    void SetByte(int index, std::optional<std::uint8_t> value);
    // Backspace: a half-typed byte, else the last byte typed, taken back.
    void TakeBackLast();
    void Paint(int index);
    void PaintAll();
    void Select(int index);

    Block shown_{};
    Block read_{};       // the block as read
    TypedBytes typed_{}; // what was typed over it
    // Each typed byte in turn: its index and what was typed there before.
    std::vector<std::pair<int, std::optional<std::uint8_t>>> typing_;
    bool editing_ = false;
    int pendingDigit_ = -1; // the first hex digit of a byte being typed
    bool atEnd_ = false;    // byte 0xFF was typed: the block is typed to its end
};

} // namespace dyskel
