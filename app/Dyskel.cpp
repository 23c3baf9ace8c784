// The program: the main window over the folder it was started in, the editor
// window, the about box and the export dialog, all created once.
//
//   dyskel [--ini PATH] [/DEBUG] [IMAGE.D64 ...]
//   dyskel --help | --version
//
// --ini names the settings file to use instead of Dyskel.ini in the user's
// configuration folder.
#include "browser/DirListBox.h"
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
#include <cstring>
#include <filesystem>

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

// --help and --version are answered before Qt looks for a display; a word
// after --ini is a path, never one of them.
int AnswerInfoOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--ini") == 0) {
            ++i;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(UsageText, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("dyskel " DYSKEL_VERSION);
            return 0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (int rc = AnswerInfoOption(argc, argv); rc >= 0) return rc;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));

    // --ini PATH (or --ini=PATH) is the program's own; the rest is the
    // command line proper.
    std::string iniPath = DefaultIniPath();
    QStringList arguments = QApplication::arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size();) {
        if (arguments[i] == QStringLiteral("--ini") && i + 1 < arguments.size()) {
            iniPath = arguments[i + 1].toLocal8Bit().toStdString();
            arguments.remove(i, 2);
        } else if (arguments[i].startsWith(QStringLiteral("--ini="))) {
            iniPath = arguments[i].mid(6).toLocal8Bit().toStdString();
            arguments.remove(i);
        } else {
            ++i;
        }
    }

    OpenImageState image;
    QtDialogs dialogs;
    IniFile ini(iniPath);
    MountedDrives drives;
    std::error_code ec;
    std::string startFolder = std::filesystem::current_path(ec).string();

    TMainForm mainForm(MainServices{image, dialogs, ini, drives}, arguments, startFolder);
    EditorData data(image);
    EditorServices services{data, mainForm.Options->data, dialogs, nullptr};
    TEditor editor(services, &mainForm);
    TAboutBox aboutBox;
    TExportFileName exportDialog(FromHostPath(mainForm.DirListBox->Directory()));
    services.exportDialog = &exportDialog;

    mainForm.AboutBox = &aboutBox;
    mainForm.OpenImageHook = [&editor, &data, &mainForm] {
        data.place = mainForm.pos();
        editor.OpenImage();
    };
    mainForm.show();
    return QApplication::exec();
}
