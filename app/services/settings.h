#pragma once

#include <optional>
#include <string>

namespace zelmo::app {

inline constexpr const char* kSettingsFileName = "Zelmo.ini";

// Zelmo.ini in the program's folder, joined with a backslash unless the
// folder already ends in one. When that file is missing and the system has
// a settings folder (/etc/zelmocb on Linux), Zelmo.ini there instead.
std::string SettingsPath();

// The same choice between two given folders.
std::string SettingsPathIn(const std::string& programFolder,
                           const std::optional<std::string>& systemFolder);

// Where the settings file is looked for, in order, for messages that name
// it: "the program's folder, then /etc/zelmocb".
std::string SettingsOrder();

// The save folder text: the SavePath value (default "***", at most 99 bytes)
// padded to a field of 100 (settings.cpp says how), cut to its first
// PathString characters; a PathString of 100 or more keeps the whole field.
// A negative PathString is an invalid argument.
std::string ReadSavePath();

// The same, from a given settings file.
std::string ReadSavePathFrom(const std::string& settingsPath);

}  // namespace zelmo::app
