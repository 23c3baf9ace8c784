// The main window: drive list, folder list and the grid of the folder's D64
// images.  Opening an image hands it to the editor through OpenImageHook.
#pragma once

#include "browser/CommandLine.h"
#include "core/Search.h"
#include "core/Uglobal.h"

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;

namespace dyskel {

class TFolderScan;
class THealthCheck;
class TRecentFiles;
class IDialogs;
class IDrives;
class IIniFile;
class TAboutBox;
class TDirListBox;
class TImageGrid;
class TOptions;
class TPreviewPane;

inline constexpr const char* ApplicationTitle = "Dyskel32 V1.00beta";
inline constexpr const char* MainCaption = "Dyskel V1.00beta";
inline constexpr const char* OpenImageTitle = "Open D64 Image File";
inline constexpr const char* OpenImageFilter =
    "Disk Image Files (*.D64 *.d64 *.D71 *.d71 *.D81 *.d81);;All (*)";
inline constexpr const char* IdleScanText = "............";
inline constexpr int MinWindowSide = 230;

// What the main window works with; owned by the program (or a test).
struct MainServices {
    IDialogs& dialogs;
    IIniFile& ini;
    const IDrives& drives;
};

class TMainForm : public QMainWindow {
    Q_OBJECT
  public:
    // commandLine: the program's command line (its /DEBUG and images).
    // startFolder: the folder the program was started in.  Loads the
    // settings and scans the folder.
    TMainForm(MainServices services, const CommandLine& commandLine, const std::string& startFolder,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    // Shows the editor over the image and returns when it has closed.
    std::function<void(const ImageRef&)> OpenImageHook;
    // Shown on the first activation and by About; set by the program.
    TAboutBox* AboutBox = nullptr;
    // The options of the Options menu, shared with the editor.
    TOptions* Options = nullptr;
    // The selected image's C64 screen, shown while the Preview option is on.
    TPreviewPane* Preview = nullptr;

    // The folder the folder list shows.
    std::string Folder() const;
    // True while a scan of the folder is running.
    bool Scanning() const;
    // True while the health report is being filled.
    bool HealthRunning() const;
    // The last images opened, newest first.
    std::vector<std::string> RecentImages() const;
    // Opens the first image of paths (as from a file manager: its folder is
    // listed with the image selected) and lists the others in a message.
    void OpenPaths(const std::vector<std::string>& paths);

  signals:
    // A scan has read the whole folder (not sent for a scan given up).
    void ScanDone();

  protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildMenu();
    void BuildControls();
    void SetUpGrid();
    void PlaceControls();
    // The preview pane, its option and the grid's selection.
    void SetUpPreview();
    void StartUp();
    // Lists the images of the folder shown in the grid: a worker reads them and
    // the rows come in while the window goes on; a scan still running is
    // given up.
    void ScanImages();
    // Adds the image to the recent list and shows the editor.
    void OpenImage(const ImageRef& image);
    void DriveComboChange(int index);
    void DirListBoxChange();
    void MnuOpenFileClick();
    void MnuAboutClick();
    // File > New Image...: asks for file name, disk name, ID and tracks,
    // writes the image (asking before an existing file is replaced), lists the
    // folder again and selects it.
    void MnuNewImageClick();
    // File > Image Health: checks every image of the folder on a worker
    // thread, filling a report row by row with a progress bar.
    void MnuHealthClick();
    // The editor on an image of the health report, on the Directory page.
    void OpenFromHealth(const std::string& path);
    // Search (Ctrl+F): the Search dialog over the current folder.
    void MnuFindClick();
    // The editor on an image a search found, on the entry found.
    void OpenSearchHit(const SearchHit& hit);
    void OpenFromGrid(bool rescanAfter);
    // Checks an image named by the user; shows the error box when it is not
    // a D64 file.  The image's folder and entry when it is one.
    std::optional<std::pair<std::string, ImageEntry>> CheckImage(const std::string& path);
    // Opens a checked image (on the directory entry given, if any), then
    // lists the folder shown again.
    void OpenChecked(const std::pair<std::string, ImageEntry>& image,
                     const std::optional<std::pair<int, int>>& showEntry = std::nullopt);
    void ShowDriveOf(const std::string& folder);
    // F5: the folder list and the grid read anew; a folder that is gone
    // gives way to its nearest parent that is still there.
    void Refresh();
    // The sort mark on the grid's column titles: the order the rows are in.
    void ShowSortMark();
    // Makes the image's row current; while a scan runs, once the row is in.
    void SelectImage(const std::string& name);
    QString CurrentName() const; // the image name in the current row
    // The window's place and size and the grid's column widths, in the
    // settings file's own section.
    void RestoreLayout();
    bool SaveLayout();

    MainServices services_;
    QFrame* MainBevel = nullptr;
    QComboBox* DriveCombo = nullptr;
    TDirListBox* DirListBox = nullptr;
    TImageGrid* FileStrGrid = nullptr;
    QLabel* PanelScanStat = nullptr;
    QProgressBar* RescanP = nullptr;
    QLabel* StImages = nullptr;
    QMenu* MnuFile = nullptr;
    QAction* MnuOpenFile = nullptr;
    QMenu* MnuRecent = nullptr; // the last images opened, newest first
    QAction* MnuNewImage = nullptr;
    QAction* MnuHealth = nullptr;
    QAction* MnuRefresh = nullptr;
    QAction* MnuClose = nullptr;
    QAction* MnuFind = nullptr;
    QAction* MnuAbout = nullptr;
    QAction* MnuCloseTemp = nullptr;
    std::map<std::string, std::string> driveFolders_; // last folder shown per drive
    std::vector<std::string> commandLinePaths_;       // images named on the command line
    int sortColumn_ = -1; // the column a title click sorted by; -1: the Sort option's order
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    bool debugMode_ = false;
    bool activated_ = false;
    // Last, so that they end (and their workers stop) before the controls go.
    std::unique_ptr<TRecentFiles> recent_;
    std::unique_ptr<THealthCheck> health_;
    std::unique_ptr<TFolderScan> scan_;
};

} // namespace dyskel
