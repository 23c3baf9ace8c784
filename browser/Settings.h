// The settings file behind the Options menu: the options are loaded into the
// menu's data and its check marks follow them.
#pragma once

#include "browser/Options.h"
#include "platform/Options.h"

#include <string>

namespace dyskel {

// Loads the options into the menu's data and sets the check marks from it;
// returns the remembered folder as LoadOptions does.
std::string LoadSettings(TOptions& options, const IIniFile& ini);

// Saves the menu's data.
bool SaveSettings(const TOptions& options, IIniFile& ini, const std::string& folder);

} // namespace dyskel
