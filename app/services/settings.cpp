#include "app/services/settings.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/native_file_name.h"
#include "platform/private_profile.h"
#include "platform/program_folder.h"
#include "platform/program_path.h"
#include "platform/runtime_error.h"
#include "platform/settings_folder.h"
#include "platform/text_codec.h"
#include "platform/utf8.h"

namespace zelmo::app {
namespace {

constexpr std::size_t kBufferChars = 100;

std::size_t CountChars(const std::string& utf8) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < utf8.size(); ++count) platform::DecodeUtf8(utf8, pos);
    return count;
}

// The first n characters of a UTF-8 text.
std::string LeftChars(const std::string& utf8, std::size_t n) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < n && pos < utf8.size(); ++i) platform::DecodeUtf8(utf8, pos);
    return utf8.substr(0, pos);
}

std::string FileIn(std::string folder) {
    platform::EndWithBackslash(folder);
    return folder + kSettingsFileName;
}

}  // namespace

std::string SettingsPathIn(const std::string& programFolder,
                           const std::optional<std::string>& systemFolder) {
    std::string own = FileIn(programFolder);
    if (!systemFolder) return own;
    // A file beside the program wins, so that a copy run from a share or a
    // folder keeps its own settings even where a package is installed.
    std::error_code ignored;
    const std::string native = platform::NativeFileName(own, platform::TextCodec::System());
    if (std::filesystem::exists(native, ignored)) return own;
    return FileIn(*systemFolder);
}

std::string SettingsPath() {
    return SettingsPathIn(platform::ProgramFolder(), platform::SystemSettingsFolder());
}

std::string SettingsOrder() {
    const std::optional<std::string> system = platform::SystemSettingsFolder();
    return system ? "the program's folder, then " + *system : "the program's folder";
}

std::string ReadSavePath() { return ReadSavePathFrom(SettingsPath()); }

std::string ReadSavePathFrom(const std::string& settingsPath) {
    const std::string value =
        platform::ProfileString("Save", "SavePath", "***", kBufferChars, settingsPath);
    const std::int32_t length = platform::ProfileInt("Save", "PathString", 0, settingsPath);
    if (length < 0) {
        throw platform::RunTimeError(platform::kInvalidProcedureCall,
                                     "PathString " + std::to_string(length) + " in " +
                                         settingsPath + " (" + kSettingsFileName +
                                         " is read from " + SettingsOrder() + ")");
    }
    // The value travels through a 100-byte buffer of the code page: NULs fill
    // it up to 100 bytes, and a value with double-byte characters comes back
    // shorter in characters, made up to 100 with spaces.
    const std::size_t bytes = platform::TextCodec::System().ToAnsi(value).size();
    const std::size_t chars = CountChars(value);
    std::string buffer = value;
    buffer.append(kBufferChars - bytes, '\0');
    buffer.append(bytes - chars, ' ');
    return LeftChars(buffer, static_cast<std::size_t>(length));
}

}  // namespace zelmo::app
