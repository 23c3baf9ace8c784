// The editor's "BAM Allocation Map" page: the free map as a chart of coloured
// squares, one per block of tracks 1 to 35 (1 to 40 on a 40-track image, in
// narrower columns), tracks left to right and sectors top to bottom, with a
// hint per square.
#pragma once

#include "core/Uglobal.h"
#include "core/Validate.h"

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QString>
#include <array>
#include <functional>

namespace dyskel {

// A filled square drawn inside its box, outline and fill in one colour.
class TShape : public QWidget {
  public:
    TShape(const QColor& color, QWidget* parent) : QWidget(parent), color_(color) {}
    QColor Color() const { return color_; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QColor color_;
};

// A label whose lines (vertical) or blank-separated words (horizontal) stand
// at a fixed pitch, level with the rows or columns of the chart.
class TAxisLabel : public QLabel {
  public:
    TAxisLabel(Qt::Orientation orientation, int first, int pitch, QWidget* parent);
    void SetPitch(int pitch) {
        pitch_ = pitch;
        update();
    }
    // Drawn enlarged by scale in a chart larger than designed.
    void SetScale(double scale) {
        scale_ = scale;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    Qt::Orientation orientation_;
    int first_;
    int pitch_;
    double scale_ = 1.0;
};

// PanelBAM: the chart itself, painted in one piece; each square shows its
// hint as a tooltip.
class TBamChart : public QFrame {
  public:
    static constexpr int ChartTracks = FormatMaxTracks;
    static constexpr int CellWidth = 17;       // columns of 35 tracks
    static constexpr int NarrowCellWidth = 15; // columns of 40 tracks
    static constexpr int AxisWidth = 17;       // the sector axis left of track 1
    static constexpr int CellHeight = 14;
    static constexpr int RowPitch = 16;
    static constexpr int TopMargin = 18;
    static constexpr QSize DesignedSize{657, 372};
    // D71 and D81 charts: squares of CompactSide, rows CompactPitch apart; a
    // D71's columns D71CellWidth wide, its side two D71SideTwoTop lower.
    static constexpr int CompactSide = 7;
    static constexpr int CompactPitch = 8;
    static constexpr int D71CellWidth = 15;
    static constexpr int D71SideTwoTop = 21 * CompactPitch + 16;

    explicit TBamChart(QWidget* parent);

    // One square per sector of tracks 1 to 35 from the free map, of tracks 1
    // to 40 when the image has more than 35; tracks past the BAM's last one
    // light grey.  Hints shown only when showHints.  With a Validate report
    // each hint names the block's owner, and the squares it flags (used but
    // free, orphan, cross-linked) take the flag colour.  Replaces any chart
    // built before.
    void Build(const FreeMap& freeMap, bool showHints, const ValidationReport* report = nullptr);
    // Called with the square's block when a square is clicked.
    std::function<void(int track, int sector)> onCellClicked;
    // Removes every square.
    void Destroy();

    int CellCount() const { return count_; }
    bool HasCell(int track, int sector) const;
    QColor CellColor(int track, int sector) const;
    // The hint shown for the square, empty when there is none or hints are off.
    QString CellHint(int track, int sector) const;
    // Box of the square of (track, sector) in the chart's coordinates at the
    // designed size, in a chart of this many columns.
    static QRect CellBox(int track, int sector, int columns = StdTracks);
    // The box of a square as this chart lays out its format, at the designed
    // size: a D64 as CellBox; a D71's two sides one above the other, a D81's
    // 80 tracks of 40 sectors, in squares of 7 by 7 pixels.
    QRect CellRect(int track, int sector) const;
    // Tracks the chart shows: 35 or 40; 70 or 80 for a D71 or D81.
    int Columns() const { return columns_; }
    // The axis above the squares: "01" to the last track, then "T".
    TAxisLabel* trackAxis = nullptr;
    // The sector axis left of the squares; a D71 or D81 chart draws its own
    // axes (every 5th track and sector) and hides both.
    TAxisLabel* sectorAxis = nullptr;
    // The legend's caption of the directory track ("Track 18", "Track 40").
    QLabel* dirTrackCaption = nullptr;
    // The chart, its squares, axes and legend enlarged by scale (at least 1).
    void SetScale(double scale);
    double Scale() const { return scale_; }

  protected:
    void paintEvent(QPaintEvent* e) override;
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

  private:
    // The square under a point; false when there is none.
    bool CellAt(QPoint pos, int& track, int& sector) const;
    struct Cell {
        bool present = false;
        bool showHint = false;
        QColor color;
        QString hint;
    };
    bool Compact() const { return format_->kind != FormatKind::D64; }
    std::array<std::array<Cell, FormatMaxSectors>, ChartTracks + 1> cells_{};
    int count_ = 0;
    int columns_ = StdTracks;
    const DiskFormat* format_ = &D64ExtFormat;
    double scale_ = 1.0;
};

// The page: PanelBAM with the axis labels and the legend.
class TBamPage : public QWidget {
  public:
    explicit TBamPage(QWidget* parent = nullptr);

    // The sector axis: "00" to "20", each followed by LF CR, then " S".
    void WriteSectorLabels();

    TBamChart* PanelBAM = nullptr;
    TAxisLabel* LblTracks = nullptr;
    TAxisLabel* LblSectors = nullptr;

  protected:
    // A larger page shows a larger chart.
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace dyskel
