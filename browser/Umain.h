// The main window: drive list, folder list and the grid of the folder's D64
// images.  Opening an image hands it to the editor through OpenImageHook.
#pragma once

#include "core/Search.h"
#include "core/Uglobal.h"

#include <QMainWindow>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
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
class QThread;

namespace dyskel {

class THealthDialog;

class IDialogs;
class IDrives;
class IIniFile;
class TAboutBox;
class TDirListBox;
class TImageGrid;
struct ImageRow;
class TOptions;

inline constexpr const char* ApplicationTitle = "Dyskel32 V1.00beta";
inline constexpr const char* MainCaption = "Dyskel V1.00beta";
inline constexpr const char* OpenImageTitle = "Open D64 Image File";
inline constexpr const char* OpenImageFilter = "D64 Image Files (*.D64 *.d64);;All (*)";
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
    // arguments: the command line without the program name.  startFolder:
    // the folder the program was started in.  Loads the settings and scans
    // the folder.
    TMainForm(MainServices services, const QStringList& arguments, const std::string& startFolder,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    // Shows the editor over the image and returns when it has closed.
    std::function<void(const ImageRef&)> OpenImageHook;
    // Shown on the first activation and by About; set by the program.
    TAboutBox* AboutBox = nullptr;

    TOptions* Options = nullptr;
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
    THealthDialog* HealthDialog = nullptr; // the last image-health report
    QAction* MnuRefresh = nullptr;
    QAction* MnuClose = nullptr;
    QAction* MnuFind = nullptr;
    QAction* MnuAbout = nullptr;
    QAction* MnuCloseTemp = nullptr;

    bool DebugMode() const { return debugMode_; }

    // Lists the images of CurrentFolder in the grid: a worker reads them and
    // the rows come in while the window goes on; a scan still running is
    // given up.
    void ScanImages();
    // True while a scan is running.
    bool Scanning() const { return scanStop_ != nullptr; }
    // Adds the image to the recent list and shows the editor.
    void OpenImage(const ImageRef& image);

    void DriveComboChange(int index);
    void DirListBoxChange();
    void MnuOpenFileClick();
    // Opens the first image of paths (as from a file manager: its folder is
    // listed with the image selected) and lists the others in a message.
    void OpenPaths(const std::vector<std::string>& paths);
    std::vector<std::string> RecentImages() const { return recent_; }
    void MnuAboutClick();
    // File > New Image...: asks for file name, disk name, ID and tracks,
    // writes the image (asking before an existing file is replaced), lists the
    // folder again and selects it.
    void MnuNewImageClick();
    // File > Image Health: checks every image of the folder on a worker
    // thread, filling a report row by row with a progress bar.
    void MnuHealthClick();
    // True while the health report is being filled.
    bool HealthRunning() const;
    // Search (Ctrl+F): the Search dialog over the current folder.
    void MnuFindClick();
    // The editor on an image a search found, on the entry found.
    void OpenSearchHit(const SearchHit& hit);

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
    void ProcessCommandLine(const QStringList& arguments);
    void StartUp();
    void OpenFromGrid(bool rescanAfter);
    // Checks an image named by the user; shows the error box when it is not
    // a D64 file.  The image's folder and entry when it is one.
    std::optional<std::pair<std::string, ImageEntry>> CheckImage(const std::string& path);
    // Opens a checked image (on the directory entry given, if any), then
    // lists the folder shown again.
    void OpenChecked(const std::pair<std::string, ImageEntry>& image,
                     const std::optional<std::pair<int, int>>& showEntry = std::nullopt);
    void ShowDriveOf(const std::string& folder);
    void RememberRecent(const std::string& path);
    void ShowRecent();
    void SetProgress(int percent);
    // F5: the folder list and the grid read anew; a folder that is gone
    // gives way to its nearest parent that is still there.
    void Refresh();
    // Makes the image's row current; while a scan runs, once the row is in.
    void SelectImage(const std::string& name);
    void ShowScanStatus(const QString& text);
    // What the worker of scan number hands over, on the window's thread.
    void ScanRowsArrived(unsigned number, std::vector<ImageRow> rows);
    void ScanFinished(unsigned number);
    QString CurrentName() const; // the image name in the current row
    // The window's place and size and the grid's column widths, in the
    // settings file's own section.
    void RestoreLayout();
    bool SaveLayout();

    MainServices services_;
    std::map<std::string, std::string> driveFolders_; // last folder shown per drive
    std::vector<std::string> commandLinePaths_;       // images named on the command line, made absolute
    std::vector<std::string> recent_;
    int sortColumn_ = -1; // the column a title click sorted by; -1: the Sort option's order
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    QThreadPool scanPool_;
    std::shared_ptr<std::atomic<bool>> scanStop_; // set to give the running scan up
    unsigned scanNumber_ = 0;                     // the running or last scan
    std::string pendingSelect_;                   // the image to select once its row is in
    QString scanNote_, scanNoteTip_;              // shown at the end of the scan instead of the idle text
    QThread* healthThread_ = nullptr;
    std::shared_ptr<std::atomic<bool>> healthStop_;
    bool debugMode_ = false;
    bool activated_ = false;
};

} // namespace dyskel
