#include "platform/Fonts.h"

#include "core/Petscii.h"

#include <QFontDatabase>
#include <QVector>

namespace dyskel {

namespace {

// The family of Debian's fonts-sixtyfour; loaded from its file when
// fontconfig does not list it (a fresh machine without a font cache).
QString C64Family() {
    static const QString family = [] {
        const QString name = QStringLiteral("C-64");
        if (QFontDatabase::families().contains(name)) return name;
        int id = QFontDatabase::addApplicationFont(
            QStringLiteral("/usr/share/fonts/truetype/sixtyfour/C-64-Regular.ttf"));
        const QStringList loaded = QFontDatabase::applicationFontFamilies(id);
        return loaded.isEmpty() ? name : loaded.first();
    }();
    return family;
}

} // namespace

QFont C64Font(int pixelSize, bool bold) {
    QFont f(C64Family());
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    // The glyphs are 8x8 pixel art: no smoothing, no hinting games.
    f.setStyleStrategy(QFont::NoAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QFont FixedsysFont() {
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

QString PetsciiToQString(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (unsigned char b : bytes) {
        char32_t c = PetsciiGlyph(b);
        out += QString::fromUcs4(&c, 1);
    }
    return out;
}

std::string QStringToPetscii(const QString& text) {
    std::string out;
    for (char32_t c : text.toUcs4()) {
        int b = PetsciiFromGlyph(c);
        if (b >= 0) out += static_cast<char>(b);
    }
    return out;
}

} // namespace dyskel
