// The editor's "Hex Editor" page: one block as hex digits and as C64
// characters, the two grids always selecting the same byte.
#pragma once

#include <QLineEdit>
#include <QSpinBox>
#include <QWidget>
#include <array>
#include <cstdint>

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
    const std::array<std::uint8_t, 256>& ShownBlock() const { return shown_; }

    // In Edit mode hex digits typed into the hex grid and characters typed
    // into the text grid change the bytes of the block on show; in Display
    // mode the grids take typing as plain cell text.
    void SetEditing(bool on);
    // True while typed bytes are not written.
    bool HasChanges() const { return shown_ != read_; }
    // Forgets the typed bytes: the block as it was read shows again.
    void DiscardChanges();
    // The byte at index i was typed and is not written.
    bool Changed(int i) const { return shown_[std::size_t(i)] != read_[std::size_t(i)]; }

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

    void SetByte(int index, std::uint8_t value);
    void Paint(int index);
    void Select(int index);

    std::array<std::uint8_t, 256> shown_{};
    std::array<std::uint8_t, 256> read_{}; // the block as read
    bool editing_ = false;
    int pendingDigit_ = -1; // the first hex digit of a byte being typed
};

} // namespace dyskel
