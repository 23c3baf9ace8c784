// Fonts, and the one place where disk bytes become glyphs on screen.
#pragma once

#include <QFont>
#include <QString>
#include <string>

namespace dyskel {

// The Commodore character font ("C-64"), at a pixel size.
QFont C64Font(int pixelSize, bool bold = false);

// The system's fixed-width font, standing in for "Fixedsys".
QFont FixedsysFont();

// Disk bytes (PETSCII) as the glyphs of C64Font, one character per byte.
QString PetsciiToQString(const std::string& bytes);

// Back from such glyphs (or plain typed ASCII) to disk bytes; characters with
// no byte are dropped.
std::string QStringToPetscii(const QString& text);

} // namespace dyskel
