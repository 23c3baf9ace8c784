// The initialisation-file service: one value of a [SECTION] key=value text
// file read or written at a time.  Nothing is cached: every call opens the
// file, and a write rewrites it keeping every other line (other keys, other
// sections, comments) as it was.
#pragma once

#include <optional>
#include <string>

namespace dyskel {

class IIniFile {
  public:
    virtual ~IIniFile() = default;

    // The value of key in section (both matched in any letter case), or
    // nothing when the file, the section or the key is missing.
    virtual std::optional<std::string> Read(const std::string& section, const std::string& key) const = 0;

    // Sets key=value in section, adding the key (and the section) when
    // missing.  False when the file cannot be written.
    virtual bool Write(const std::string& section, const std::string& key, const std::string& value) = 0;

    // Where the values live, for messages.
    virtual std::string Path() const = 0;
};

// The real file.
class IniFile : public IIniFile {
  public:
    explicit IniFile(std::string path) : path_(std::move(path)) {}

    std::optional<std::string> Read(const std::string& section, const std::string& key) const override;
    bool Write(const std::string& section, const std::string& key, const std::string& value) override;
    std::string Path() const override { return path_; }

  private:
    std::string path_;
};

// The settings file's name.
inline constexpr const char* IniFileName = "Dyskel.ini";

// Dyskel.ini in $XDG_CONFIG_HOME, else in ~/.config.
std::string DefaultIniPath();

// Longest text value read back; longer values are cut.
constexpr std::size_t IniMaxText = 1023;

// A text value as read: nothing stored gives the default; cut to 1023
// characters.
std::string IniReadText(const IIniFile& ini, const std::string& section, const std::string& key,
                        const std::string& fallback);

// A whole number as read: decimal with an optional sign, or hexadecimal after
// "0x", "0X" or "$".  A missing key, or a value that is no number, gives the
// default.
long long IniReadNumber(const IIniFile& ini, const std::string& section, const std::string& key,
                        long long fallback);

// The number parser of IniReadNumber.
std::optional<long long> ParseIniNumber(const std::string& text);

} // namespace dyskel
