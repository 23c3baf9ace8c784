// Fonts of the editor window beyond the C64 font.
#pragma once

#include <QFont>

namespace dyskel {

// A plain sans-serif face at a pixel size, narrow enough for the window's
// fixed layout.
inline QFont SansFont(int pixelSize, bool bold = false) {
    QFont f;
    f.setFamilies({QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                   QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

} // namespace dyskel
