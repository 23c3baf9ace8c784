// The editor's "Directory" page: the disk directory as the C64 lists it, and
// the pop-up menu of commands on an entry.
#pragma once

#include "editor/EditorContext.h"

#include <QWidget>
#include <string>

class QLabel;
class QTableWidget;
class QMenu;

namespace dyskel {

class TDirPage : public QWidget {
    Q_OBJECT
  public:
    TDirPage(EditorServices& services, IEditorHost& host, QWidget* parent = nullptr);

    // Reads track 18 into the track buffer, lists the directory into
    // StrGridDir and shows the label in PanelDirHeaderID.
    void ShowDirectory(const std::string& label);

    QLabel* PanelDirHeaderID = nullptr;
    QTableWidget* StrGridDir = nullptr;
    QMenu* PopupMenuDir = nullptr;

  private:
    EditorServices& svc_;
    IEditorHost& host_;
};

} // namespace dyskel
