// The program: the main window over the folder it was started in, the editor
// window, the about box and the export dialog, all created once.
//
//   dyskel [--ini PATH] [/DEBUG] [IMAGE.D64 ...]
//   dyskel --help | --version
//
// --ini names the settings file to use instead of Dyskel.ini in the user's
// configuration folder.
#include "browser/CommandLine.h"
#include "browser/Options.h"
#include "browser/Uabout.h"
#include "browser/Umain.h"
#include "editor/EditorContext.h"
#include "editor/Ueditor.h"
#include "editor/UexportPRG.h"
#include "platform/Dialogs.h"
#include "platform/Drives.h"
#include "platform/HostPath.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace dyskel;

namespace {

constexpr const char* UsageText =
    "usage: dyskel [--ini PATH] [/DEBUG] [IMAGE.D64 ...]\n"
    "       dyskel --help | --version\n"
    "  IMAGE.D64   a disk image to open in the editor once the main window is up\n"
    "  --ini PATH  the settings file instead of $XDG_CONFIG_HOME/Dyskel.ini\n"
    "              (~/.config/Dyskel.ini when XDG_CONFIG_HOME is not set)\n"
    "  /DEBUG      skip the about box at start\n"
    "  --help      print this text and exit\n"
    "  --version   print the version and exit\n"
    "Qt's own options, such as -platform, are accepted too.\n";

} // namespace

int main(int argc, char** argv) {
    // Read once, before Qt looks for a display: --help and --version are
    // answered without one.
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
        std::fputs(UsageText, stdout);
        return 0;
    }
    if (line.version) {
        std::puts("dyskel " DYSKEL_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));

    QtDialogs dialogs;
    IniFile ini(line.iniPath.empty() ? DefaultIniPath() : line.iniPath);
    MountedDrives drives;
    std::error_code ec;
    std::string startFolder = std::filesystem::current_path(ec).string();

    TMainForm mainForm(MainServices{dialogs, ini, drives}, line, startFolder);
    EditorData data;
    EditorServices services{data, mainForm.Options->data, dialogs, nullptr, &ini};
    TEditor editor(services, &mainForm);
    TAboutBox aboutBox;
    TExportFileName exportDialog(FromHostPath(mainForm.Folder()));
    services.exportDialog = &exportDialog;

    mainForm.AboutBox = &aboutBox;
    mainForm.OpenImageHook = [&editor, &data, &mainForm](const ImageRef& image) {
        data.place = mainForm.pos();
        editor.Open(image);
    };
    mainForm.show();
    return QApplication::exec();
}
