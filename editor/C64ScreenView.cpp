#include "editor/C64ScreenView.h"

#include "tools/C64Font.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

namespace dyskel {

namespace {

QString ColourName(std::uint8_t colour) {
    return QStringLiteral("#%1").arg(C64Palette[colour & 15], 6, 16, QLatin1Char('0'));
}

} // namespace

TC64ScreenView::TC64ScreenView(QWidget* parent, int scale) : QWidget(parent), scale_(scale) {
    setObjectName(QStringLiteral("C64ScreenView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    ChkC64Lower = new QCheckBox(QStringLiteral("&Lower case (the C64's second character set)"), this);
    ChkC64Lower->setObjectName(QStringLiteral("ChkC64Lower"));
    layout->addWidget(ChkC64Lower);
    ScrollC64 = new QScrollArea(this);
    ScrollC64->setObjectName(QStringLiteral("ScrollC64"));
    ScrollC64->setStyleSheet(
        QStringLiteral("QScrollArea { background-color: %1; }").arg(ColourName(C64LightBlue)));
    ScrollC64->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    LblC64Screen = new QLabel(ScrollC64);
    LblC64Screen->setObjectName(QStringLiteral("LblC64Screen"));
    LblC64Screen->setMargin(4 * scale_);
    LblC64Screen->setStyleSheet(QStringLiteral("QLabel { background-color: %1; color: %2; }")
                                    .arg(ColourName(C64LightBlue), ColourName(C64Blue)));
    ScrollC64->setWidget(LblC64Screen);
    ScrollC64->setWidgetResizable(false);
    ScrollC64->setMinimumWidth(C64Columns * 8 * scale_ + 8 * scale_ + 24);
    layout->addWidget(ScrollC64, 1);
    connect(ChkC64Lower, &QCheckBox::toggled, this, [this] { Redraw(); });
    Redraw();
}

C64Charset TC64ScreenView::Charset() const {
    return ChkC64Lower->isChecked() ? C64Charset::Lower : C64Charset::Upper;
}

void TC64ScreenView::SetCharset(C64Charset charset) {
    ChkC64Lower->setChecked(charset == C64Charset::Lower);
}

void TC64ScreenView::ShowCharacters(const std::string& characters) {
    characters_ = characters;
    Redraw();
}

void TC64ScreenView::ShowNote(const QString& note) {
    characters_.clear();
    screen_ = C64Screen{};
    LblC64Screen->setPixmap(QPixmap());
    LblC64Screen->setText(note);
    LblC64Screen->adjustSize();
}

void TC64ScreenView::ShowImageFile(const std::string& path) {
    Result<std::string> characters = DirectoryCharacters(path);
    if (characters)
        ShowCharacters(*characters);
    else
        ShowNote(QString::fromStdString(characters.Error()));
}

void TC64ScreenView::Redraw() {
    screen_ = PrintToScreen(characters_, Charset());
    // A whole screen at least, as the C64 shows it.
    while (screen_.rows.size() < C64ScreenRows) screen_.rows.emplace_back().fill(ScreenCell{});
    const C64Picture picture = DrawScreen(screen_, scale_);
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::uint32_t* px = picture.pixels.data() + std::size_t(y) * std::size_t(picture.width);
        for (int x = 0; x < picture.width; ++x) line[x] = 0xFF000000u | px[x];
    }
    LblC64Screen->setText(QString());
    LblC64Screen->setPixmap(QPixmap::fromImage(image));
    LblC64Screen->adjustSize();
}

} // namespace dyskel
