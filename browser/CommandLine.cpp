#include "browser/CommandLine.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>

namespace fs = std::filesystem;

namespace dyskel {

namespace {

// Qt's own options, as its application classes take them (with "-" or
// "--"): these take the next word as their value ...
constexpr std::array<std::string_view, 18> QtValueOptions = {"platform",
                                                             "platformpluginpath",
                                                             "platformtheme",
                                                             "plugin",
                                                             "qwindowgeometry",
                                                             "geometry",
                                                             "qwindowtitle",
                                                             "title",
                                                             "qwindowicon",
                                                             "icon",
                                                             "display",
                                                             "style",
                                                             "stylesheet",
                                                             "session",
                                                             "name",
                                                             "visual",
                                                             "ncols",
                                                             "cmap"};
// ... these stand alone ...
constexpr std::array<std::string_view, 6> QtFlagOptions = {"reverse", "nograb",      "dograb",
                                                           "sync",    "widgetcount", "testability"};
// ... and these carry their value after "=".
constexpr std::array<std::string_view, 4> QtJoinedOptions = {
    "qmljsdebugger=", "style=", "stylesheet=", "platform="};

// The option's name without its dashes, or "" for a word that is not one.
std::string_view QtOptionName(std::string_view word) {
    if (word.size() < 2 || word[0] != '-') return {};
    word.remove_prefix(word.starts_with("--") ? 2 : 1);
    return word;
}

bool Among(std::string_view name, const auto& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A switch is "/" and a word: a path with no further "/" that names nothing.
bool IsSwitch(const std::string& word) {
    std::error_code ec;
    return word.size() > 1 && word[0] == '/' && word.find('/', 1) == std::string::npos &&
           !fs::exists(word, ec);
}

bool IsDebugSwitch(const std::string& word) {
    if (!IsSwitch(word) || word.size() < 6) return false;
    std::string head = word.substr(0, 6);
    for (char& c : head) c = char(std::toupper(static_cast<unsigned char>(c)));
    return head == "/DEBUG";
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& words) {
    CommandLine line;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const std::string_view qt = QtOptionName(word);
        if (word == "--ini" && i + 1 < words.size()) {
            line.iniPath = words[++i];
        } else if (word.starts_with("--ini=")) {
            line.iniPath = word.substr(6);
        } else if (word == "--help" || word == "-h") {
            if (!line.version) line.help = true;
        } else if (word == "--version") {
            if (!line.help) line.version = true;
        } else if (Among(qt, QtValueOptions)) {
            ++i;
        } else if (Among(qt, QtFlagOptions) ||
                   std::any_of(QtJoinedOptions.begin(), QtJoinedOptions.end(),
                               [&](std::string_view o) { return qt.starts_with(o); })) {
            // Qt's own.
        } else if (IsDebugSwitch(word)) {
            line.debug = true;
        } else if (IsSwitch(word)) {
            // Unknown switches are ignored.
        } else {
            // Checked and opened once the window is up, so that a message
            // stands over it.
            std::error_code ec;
            line.images.push_back(fs::absolute(fs::path(word), ec).string());
        }
    }
    return line;
}

} // namespace dyskel
