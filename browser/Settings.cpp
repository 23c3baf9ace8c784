#include "browser/Settings.h"

namespace dyskel {

std::string LoadSettings(TOptions& options, const IIniFile& ini) {
    std::string folder = LoadOptions(options.data, ini);
    options.ShowOptions();
    return folder;
}

bool SaveSettings(const TOptions& options, IIniFile& ini, const std::string& folder) {
    return SaveOptions(options.data, ini, folder);
}

} // namespace dyskel
