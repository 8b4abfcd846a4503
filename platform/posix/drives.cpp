#include "platform/posix/drives.h"

#include <sys/stat.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <shared_mutex>

#include "platform/ascii.h"
#include "platform/drives.h"
#include "platform/posix/path_within.h"
#include "platform/private_profile.h"
#include "platform/program_path.h"
#include "platform/runtime_error.h"

namespace zelmo::platform {
namespace posix {
namespace {

constexpr int kLetters = 26;
using Table = std::array<std::optional<DriveRoot>, kLetters>;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsLetter(char c) {
    const char upper = AsciiUpper(c);
    return upper >= 'A' && upper <= 'Z';
}

// A folder that does not exist (or is no folder) leaves its letter absent.
std::optional<DriveRoot> ResolveRoot(const std::string& folder) {
    const TextCodec& codec = TextCodec::System();
    const std::string native = codec.ToAnsi(folder);
    char resolved[PATH_MAX];
    if (native.empty() || realpath(native.c_str(), resolved) == nullptr) return std::nullopt;
    struct stat st;
    if (stat(resolved, &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return DriveRoot{codec.FromAnsi(resolved), st.st_dev, st.st_ino};
}

Table DefaultTable() {
    Table table;
    table['C' - 'A'] = ResolveRoot("/");
    return table;
}

struct DriveState {
    std::shared_mutex mutex;
    Table table = DefaultTable();
};

DriveState& State() {
    static DriveState state;
    return state;
}

Table Snapshot() {
    DriveState& state = State();
    std::shared_lock lock(state.mutex);
    return state.table;
}

// Whether path lies at or below root; a longer root is a closer match.
}  // namespace

std::optional<DriveRoot> FindDrive(char letter) {
    if (!IsLetter(letter)) return std::nullopt;
    DriveState& state = State();
    std::shared_lock lock(state.mutex);
    return state.table[AsciiUpper(letter) - 'A'];
}

std::uint32_t DriveMask() {
    DriveState& state = State();
    std::shared_lock lock(state.mutex);
    std::uint32_t mask = 0;
    for (int i = 0; i < kLetters; ++i) {
        if (state.table[i]) mask |= 1u << i;
    }
    return mask;
}

std::optional<char> DriveLetterOf(std::string_view programPath) {
    if (programPath.size() < 2 || programPath[1] != ':' || !IsLetter(programPath[0])) {
        return std::nullopt;
    }
    return AsciiUpper(programPath[0]);
}

std::optional<std::string> ToPosixPath(std::string_view programPath, const TextCodec& codec) {
    std::string prefix;
    std::string_view rest = programPath;
    if (const std::optional<char> letter = DriveLetterOf(programPath)) {
        const std::optional<DriveRoot> drive = FindDrive(*letter);
        if (!drive) return std::nullopt;
        prefix = drive->folder == "/" ? "" : drive->folder;
        rest.remove_prefix(2);
        // A drive's current folder is its root here, so "C:x" is "C:\x".
        if (!rest.empty() && !IsSeparator(rest.front())) prefix += '/';
        if (rest.empty() && prefix.empty()) prefix = "/";
    }
    std::string path = prefix;
    path.reserve(prefix.size() + rest.size());
    for (char c : rest) path += c == '\\' ? '/' : c;
    return codec.ToAnsi(path);
}

std::optional<std::string> ToProgramPath(std::string_view posixPath, const TextCodec& codec) {
    const std::string path = codec.FromAnsi(posixPath);
    const Table table = Snapshot();
    int best = -1;
    for (int i = 0; i < kLetters; ++i) {
        if (table[i] && IsWithin(path, table[i]->folder) &&
            (best < 0 || table[i]->folder.size() > table[best]->folder.size())) {
            best = i;
        }
    }
    if (best < 0) return std::nullopt;
    std::string program{static_cast<char>('A' + best), ':', '\\'};
    std::string_view rest(path);
    rest.remove_prefix(table[best]->folder == "/" ? 0 : table[best]->folder.size());
    for (char c : rest) {
        // Doubled slashes mean one separator to POSIX.
        if (c == '/') {
            EndWithBackslash(program);
        } else {
            program += c;
        }
    }
    if (program.size() > 3 && program.back() == '\\') program.pop_back();
    return program;
}

}  // namespace posix

void ConfigureDrives(const std::string& settingsPath, const DriveOverrides& overrides) {
    std::array<std::string, posix::kLetters> folders;
    folders['C' - 'A'] = "/";
    if (!settingsPath.empty()) {
        for (int i = 0; i < posix::kLetters; ++i) {
            const std::string key(1, static_cast<char>('A' + i));
            std::string folder = ProfileString("Drives", key, "", PATH_MAX, settingsPath);
            if (!folder.empty()) folders[i] = std::move(folder);
        }
    }
    for (const auto& [letter, folder] : overrides) {
        if (!posix::IsLetter(letter)) {
            throw RunTimeError(kInvalidProcedureCall,
                               "drive letter '" + std::string(1, letter) + "'");
        }
        // An empty override takes the letter away, C: included.
        folders[AsciiUpper(letter) - 'A'] = folder;
    }

    posix::Table table;
    for (int i = 0; i < posix::kLetters; ++i) {
        if (!folders[i].empty()) table[i] = posix::ResolveRoot(folders[i]);
    }
    posix::DriveState& state = posix::State();
    std::unique_lock lock(state.mutex);
    state.table = std::move(table);
}

}  // namespace zelmo::platform
