#include "editor/BamChart.h"

#include <algorithm>
#include <cmath>

#include "editor/EditorLook.h"

#include "core/Petscii.h"
#include "platform/Fonts.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace dyskel {

namespace {

constexpr QRgb DirTrackColor = 0x808080; // grey
constexpr QRgb UsedColor = 0xFF0000;     // red
constexpr QRgb FreeColor = 0x008000;     // green
constexpr QRgb FlagColor = 0xFF00FF;     // magenta: a block Validate flags
constexpr QRgb OutsideColor = 0xC0C0C0;  // light grey: a track outside the BAM

// The square inside a shape's box: as high as the box, centred across it.
QRect SquareIn(const QRect& box) {
    const int side = std::min(box.width(), box.height());
    return {box.x() + (box.width() - side) / 2, box.y() + (box.height() - side) / 2, side, side};
}

// Legend: square and its colour, label and its caption.
struct LegendRow {
    const char* shape;
    QRgb color;
    const char* label;
    const char* caption;
    int top;
};
constexpr std::array<LegendRow, 4> Legend = {{
    {"ShapeFlagged", FlagColor, "LblFlagged", "Validate", 304},
    {"ShapeFree", FreeColor, "LblFree", "Free", 320},
    {"ShapeFull", UsedColor, "LblUsed", "Used", 336},
    {"ShapeT18", DirTrackColor, "LblT18", "Track 18", 352},
}};
constexpr int LegendShapeLeft = 587;
constexpr int LegendLabelLeft = 608;
constexpr int ChartMargin = 4;

// "01 02 ... 35 T" or up to 40.
QString TrackCaption(int columns) {
    QString text;
    for (int t = 1; t <= columns; ++t) text += QStringLiteral("%1 ").arg(t, 2, 10, QLatin1Char('0'));
    return text + QStringLiteral("T");
}

} // namespace

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(SquareIn(rect()), color_);
}

TAxisLabel::TAxisLabel(Qt::Orientation orientation, int first, int pitch, QWidget* parent)
    : QLabel(parent), orientation_(orientation), first_(first), pitch_(pitch) {
    setFont(SansFont(13));
}

void TAxisLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.scale(scale_, scale_); // drawn at the designed size, then enlarged
    p.setPen(palette().color(QPalette::WindowText));
    if (orientation_ == Qt::Horizontal) {
        const QStringList words = text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (int i = 0; i < words.size(); ++i)
            p.drawText(QRect(first_ + i * pitch_, 0, pitch_, int(height() / scale_)), Qt::AlignCenter,
                       words[i]);
    } else {
        const QStringList lines = text().split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            QString line = lines[i];
            line.remove(QLatin1Char('\r'));
            p.drawText(QRect(0, first_ + i * pitch_, int(width() / scale_), pitch_),
                       Qt::AlignLeft | Qt::AlignVCenter, line);
        }
    }
}

TBamChart::TBamChart(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("PanelBAM"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setFixedSize(DesignedSize);
}

void TBamChart::SetScale(double scale) {
    scale_ = scale;
    setFixedSize(DesignedSize * scale);
    // The axes and the legend keep their places relative to the squares.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->property("designed").isValid()) {
            child->setProperty("designed", child->geometry());
            child->setProperty("designedFont", child->font());
        }
        const QRect designed = child->property("designed").toRect();
        child->setGeometry(QRect(designed.topLeft() * scale, designed.size() * scale));
        if (auto* axis = dynamic_cast<TAxisLabel*>(child)) {
            axis->SetScale(scale);
        } else {
            QFont font = child->property("designedFont").value<QFont>();
            if (font.pixelSize() > 0)
                font.setPixelSize(int(font.pixelSize() * scale));
            else
                font.setPointSizeF(font.pointSizeF() * scale);
            child->setFont(font);
        }
    }
    update();
}

QRect TBamChart::CellBox(int track, int sector, int columns) {
    const int width = columns > StdTracks ? NarrowCellWidth : CellWidth;
    return {AxisWidth + (track - 1) * width, sector * RowPitch + TopMargin, width, CellHeight};
}

QRect TBamChart::CellRect(int track, int sector) const {
    if (format_->kind == FormatKind::D71) {
        const int side = track > format_->sideTracks ? 1 : 0;
        const int column = (track - 1) % format_->sideTracks;
        return {AxisWidth + column * D71CellWidth, TopMargin + side * D71SideTwoTop + sector * CompactPitch,
                D71CellWidth, CompactSide};
    }
    if (format_->kind == FormatKind::D81)
        return {AxisWidth + (track - 1) * CompactSide, TopMargin + sector * CompactPitch, CompactSide,
                CompactSide};
    return CellBox(track, sector, columns_);
}

void TBamChart::Build(const FreeMap& freeMap, bool showHints, const ValidationReport* report) {
    Destroy();
    format_ = freeMap.format;
    const DiskFormat& f = *format_;
    columns_ = Compact() ? f.tracks : freeMap.tracks > StdTracks ? MaxTracks : StdTracks;
    if (trackAxis) {
        trackAxis->setVisible(!Compact());
        trackAxis->setText(TrackCaption(columns_));
        trackAxis->SetPitch(CellBox(1, 0, columns_).width());
        trackAxis->setFont(SansFont(columns_ > StdTracks ? 11 : 13)); // two digits within a narrow column
    }
    if (sectorAxis) sectorAxis->setVisible(!Compact());
    if (dirTrackCaption) dirTrackCaption->setText(QStringLiteral("Track %1").arg(f.dirTrack));
    for (int t = 1; t <= columns_; ++t) {
        for (int s = 0; s < f.Sectors(t); ++s) {
            Cell& c = cells_[t][s];
            c.present = true;
            c.showHint = showHints;
            QString hint = QStringLiteral("Track %1, Sector %2").arg(t).arg(s);
            if (t > freeMap.lastBamTrack) {
                c.color = QColor(OutsideColor);
                hint += QStringLiteral(" (outside the BAM)");
            } else if (t == f.dirTrack) {
                c.color = QColor(DirTrackColor);
                hint += s == f.headerSector    ? QStringLiteral(" (Disk Information)")
                        : s < f.firstDirSector ? QStringLiteral(" (BAM)")
                                               : QStringLiteral(" (Directory Information)");
            } else if (freeMap.used[t][s] != 0) {
                c.color = QColor(UsedColor);
                hint += QStringLiteral(" (Used)");
            } else {
                c.color = QColor(FreeColor);
                hint += QStringLiteral(" (Free)");
            }
            if (report) {
                const std::string owner = OwnerText(*report, {t, s}, PetsciiToUtf8);
                if (!owner.empty()) hint += QStringLiteral(": ") + QString::fromStdString(owner);
                std::optional<FindingKind> flag = report->Flag({t, s});
                if (flag && t != f.dirTrack) {
                    c.color = QColor(FlagColor);
                    hint += QStringLiteral(" [%1]").arg(QString::fromLatin1(FindingKindName(*flag)));
                }
            }
            if (showHints) c.hint = hint;
            ++count_;
        }
    }
    update();
}

void TBamChart::Destroy() {
    for (auto& track : cells_) track.fill(Cell{});
    count_ = 0;
    update();
}

bool TBamChart::HasCell(int track, int sector) const {
    return track >= 1 && track <= ChartTracks && sector >= 0 && sector < FormatMaxSectors &&
           cells_[track][sector].present;
}

QColor TBamChart::CellColor(int track, int sector) const {
    return HasCell(track, sector) ? cells_[track][sector].color : QColor();
}

QString TBamChart::CellHint(int track, int sector) const {
    return HasCell(track, sector) && cells_[track][sector].showHint ? cells_[track][sector].hint : QString();
}

void TBamChart::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    QPainter p(this);
    p.scale(scale_, scale_);
    for (int t = 1; t <= columns_; ++t)
        for (int s = 0; s < FormatMaxSectors; ++s)
            if (cells_[t][s].present) p.fillRect(SquareIn(CellRect(t, s)), cells_[t][s].color);
    if (!Compact() || count_ == 0) return;
    // Every 5th track above its column (on a D71 above each side), every
    // 5th sector left of its row.
    p.setFont(SansFont(9));
    p.setPen(palette().color(QPalette::WindowText));
    for (int t = 1; t <= columns_; ++t) {
        const int onSide = (t - 1) % format_->sideTracks + 1;
        if (onSide % 5 != 0 && onSide != 1) continue;
        const QRect box = CellRect(t, 0);
        p.drawText(QRect(box.center().x() - 10, box.top() - TopMargin + 2, 20, TopMargin - 4),
                   Qt::AlignCenter, QString::number(t));
    }
    const int sides = format_->kind == FormatKind::D71 ? 2 : 1;
    for (int side = 0; side < sides; ++side)
        for (int s = 0; s < format_->Sectors(1); s += 5) {
            const QRect box = CellRect(1 + side * format_->sideTracks, s);
            p.drawText(QRect(0, box.top() - 2, AxisWidth - 2, CompactPitch + 4),
                       Qt::AlignRight | Qt::AlignVCenter, QString::number(s));
        }
}

bool TBamChart::CellAt(QPoint widgetPos, int& track, int& sector) const {
    const QPoint pos = widgetPos / scale_; // the chart is drawn at its designed size, then enlarged
    if (Compact()) {
        for (track = 1; track <= columns_; ++track)
            for (sector = 0; sector < format_->Sectors(track); ++sector)
                if (CellRect(track, sector).contains(pos) && HasCell(track, sector)) return true;
        return false;
    }
    track = pos.x() >= AxisWidth ? (pos.x() - AxisWidth) / CellBox(1, 0, columns_).width() + 1 : 0;
    sector = pos.y() >= TopMargin ? (pos.y() - TopMargin) / RowPitch : -1;
    return sector >= 0 && CellBox(track, sector, columns_).contains(pos) && HasCell(track, sector);
}

void TBamChart::mousePressEvent(QMouseEvent* e) {
    int track = 0, sector = 0;
    if (e->button() == Qt::LeftButton && onCellClicked && CellAt(e->position().toPoint(), track, sector))
        onCellClicked(track, sector);
    QFrame::mousePressEvent(e);
}

bool TBamChart::event(QEvent* e) {
    if (e->type() != QEvent::ToolTip) return QFrame::event(e);
    auto* help = static_cast<QHelpEvent*>(e);
    int track = 0, sector = 0;
    const QString hint = CellAt(help->pos(), track, sector) ? CellHint(track, sector) : QString();
    if (hint.isEmpty()) {
        QToolTip::hideText();
        e->ignore();
    } else {
        const QRect box = CellRect(track, sector);
        QToolTip::showText(help->globalPos(), hint, this, QRect(box.topLeft() * scale_, box.size() * scale_));
    }
    return true;
}

TBamPage::TBamPage(QWidget* parent) : QWidget(parent) {
    PanelBAM = new TBamChart(this);
    PanelBAM->move(ChartMargin, ChartMargin);

    LblTracks = new TAxisLabel(Qt::Horizontal, -1, TBamChart::CellWidth, PanelBAM);
    LblTracks->setObjectName(QStringLiteral("LblTracks"));
    LblTracks->setText(TrackCaption(StdTracks));
    // Wide enough for the narrower columns of 40 tracks too.
    LblTracks->setGeometry(18, 1, (MaxTracks + 1) * TBamChart::NarrowCellWidth + 2, 16);
    PanelBAM->trackAxis = LblTracks;

    LblSectors = new TAxisLabel(Qt::Vertical, 1, TBamChart::RowPitch, PanelBAM);
    LblSectors->setObjectName(QStringLiteral("LblSectors"));
    LblSectors->setGeometry(2, 16, 16, 22 * TBamChart::RowPitch + 1);
    PanelBAM->sectorAxis = LblSectors;

    for (const LegendRow& row : Legend) {
        auto* shape = new TShape(QColor(row.color), PanelBAM);
        shape->setObjectName(QString::fromLatin1(row.shape));
        shape->setGeometry(LegendShapeLeft, row.top, TBamChart::CellWidth, TBamChart::CellHeight);
        auto* label = new QLabel(QString::fromLatin1(row.caption), PanelBAM);
        label->setObjectName(QString::fromLatin1(row.label));
        label->setGeometry(LegendLabelLeft, row.top, 60, TBamChart::CellHeight);
        if (row.color == DirTrackColor) PanelBAM->dirTrackCaption = label;
    }
}

void TBamPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The chart at its designed size, or larger by the share the page has
    // grown in its smaller direction, in steps of an eighth (the page of the
    // designed window holds the designed chart).
    const QSize room = size() - QSize(2 * ChartMargin, 2 * ChartMargin);
    const QSize designed = TBamChart::DesignedSize;
    const double grow =
        std::min(double(room.width()) / designed.width(), double(room.height()) / designed.height());
    PanelBAM->SetScale(std::max(1.0, std::floor(grow * 8) / 8));
}

void TBamPage::WriteSectorLabels() {
    QString text;
    for (int s = 0; s <= 20; ++s) text += QStringLiteral("%1\n\r").arg(s, 2, 10, QLatin1Char('0'));
    text += QStringLiteral(" S");
    LblSectors->setText(text);
}

} // namespace dyskel
