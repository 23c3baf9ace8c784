// The editor window over one open image.
#pragma once

#include "editor/EditorContext.h"

#include <QDialog>

namespace dyskel {

class TEditor : public QDialog, public IEditorHost {
    Q_OBJECT
  public:
    // mainWindow is hidden while the editor is shown (may be null in tests).
    TEditor(EditorServices& services, QWidget* mainWindow, QWidget* parent = nullptr);

    // Shows the window modally over the image named by the open-image state:
    // the set-up runs once, before the user can act; returns when the window
    // is closed with BtnClose.
    int OpenImage();
};

} // namespace dyskel
