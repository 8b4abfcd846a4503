#include "platform/file_system.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <array>
#include <cstring>
#include <memory>

#include "platform/ascii.h"
#include "platform/text_codec.h"

namespace zelmo::platform {
namespace {

// The path search's buffer: one more than MAX_PATH.
constexpr DWORD kProbeBufferSize = 261;

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return true;
}

// CON, NUL, COM1... are found in every folder, with any extension.
bool IsDeviceName(std::string_view name) {
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN",    "AUX",
                                                               "NUL", "CONIN$", "CONOUT$"};
    for (const std::string_view device : kPlain) {
        if (SameLetters(base, device)) return true;
    }
    return base.size() == 4 &&
           (SameLetters(base.substr(0, 3), "COM") || SameLetters(base.substr(0, 3), "LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

bool UnderWow64() {
    static const bool wow64 = [] {
        BOOL wow = FALSE;
        return IsWow64Process(GetCurrentProcess(), &wow) && wow;
    }();
    return wow64;
}

// A 32-bit program on 64-bit Windows sees System32 redirected to SysWOW64, so
// a walk would list the 32-bit folder twice and the real one never. The
// switch is per thread: each call turns it off for its own thread and back
// on, leaving the thread's DLL loads and other file opens as they were.
class RealFileNames {
  public:
    RealFileNames() {
        if (UnderWow64()) off_ = Wow64DisableWow64FsRedirection(&previous_);
    }
    ~RealFileNames() {
        if (off_) Wow64RevertWow64FsRedirection(previous_);
    }
    RealFileNames(const RealFileNames&) = delete;
    RealFileNames& operator=(const RealFileNames&) = delete;

  private:
    PVOID previous_ = nullptr;
    BOOL off_ = FALSE;
};

class Win32FileSystem : public FileSystem {
  public:
    std::uint32_t LogicalDrives() override { return GetLogicalDrives(); }

    bool ListFolder(const std::string& folder,
                    const std::function<void(const FolderEntry&)>& visit) override {
        const TextCodec& codec = TextCodec::System();
        const std::string pattern = codec.ToAnsi(folder + "*.*");
        WIN32_FIND_DATAA data = {};
        // The basic level leaves out the short names, which nothing reads.
        // The handle lists the folder it opened: the visitor runs with the
        // thread's redirection as it was.
        HANDLE find = INVALID_HANDLE_VALUE;
        {
            const RealFileNames real;
            find = FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                    nullptr, FIND_FIRST_EX_LARGE_FETCH);
        }
        if (find == INVALID_HANDLE_VALUE) return false;
        // Closed however the listing ends: the visitor may throw.
        const std::unique_ptr<void, decltype(&FindClose)> owned(find, &FindClose);
        FolderEntry entry;
        do {
            entry.attributes = data.dwFileAttributes;
            entry.name =
                codec.FromAnsi(std::string_view(data.cFileName, strnlen(data.cFileName, MAX_PATH)));
            visit(entry);
        } while (FindNextFileA(find, &data));
        return true;
    }

    std::optional<std::string> ProbeFolder(const std::string& folder,
                                           const std::string& fileName) override {
        const TextCodec& codec = TextCodec::System();
        // "C:" alone would be the drive's current folder here; it means the
        // root folder.
        const bool bareDrive = folder.size() == 2 && folder[1] == ':';
        const std::string path = codec.ToAnsi(bareDrive ? folder + "\\" : folder);
        const std::string name = codec.ToAnsi(fileName);
        char buffer[kProbeBufferSize] = {};
        const RealFileNames real;
        const DWORD n =
            SearchPathA(path.c_str(), name.c_str(), nullptr, kProbeBufferSize, buffer, nullptr);
        // A longer result does not fit the buffer and counts as not found.
        if (n == 0 || n >= kProbeBufferSize) return std::nullopt;
        return codec.FromAnsi(std::string_view(buffer, n));
    }

    std::uint32_t ReadAttributes(const std::string& path) override {
        const std::string ansi = TextCodec::System().ToAnsi(path);
        const RealFileNames real;
        return GetFileAttributesA(ansi.c_str());
    }

    bool ListingDecides(std::string_view name) const override {
        // A short-name alias (PROGRA~1), a name the path rules trim ("x.exe."
        // finds x.exe) and a device name are found without being listed.
        if (name.find('~') != std::string_view::npos) return false;
        if (!name.empty() && (name.back() == '.' || name.back() == ' ')) return false;
        return !IsDeviceName(name);
    }
};

}  // namespace

std::unique_ptr<FileSystem> OpenSystemFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace zelmo::platform
