// File and folder names of the host as the windows show them.  To the system
// a name is bytes; Qt's own mapping (QFile::decodeName and encodeName) turns
// them into text and back, so a name shown, typed or picked in a dialog opens
// the same file.
#pragma once

#include <QFile>
#include <QString>
#include <string>

namespace dyskel {

// A host path, or a message that quotes one, as text.
inline QString FromHostPath(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

// Text naming a host file as the bytes the system is given.
inline std::string ToHostPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace dyskel
