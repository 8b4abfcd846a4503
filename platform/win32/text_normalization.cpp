#include "platform/text_normalization.h"

// NormalizeString comes from kernel32's import library here, not
// normaliz.lib: one DLL fewer for the imports check.
#include <windows.h>

#include <new>

#include "platform/win32/wide_text.h"

namespace zelmo::platform {

std::string NormalizeNfkc(std::string_view utf8) {
    const std::wstring wide = win32::Widen(utf8);
    if (wide.empty()) return std::string();
    // The first answer is an estimate; the call says when it needs more.
    int size =
        NormalizeString(NormalizationKC, wide.data(), static_cast<int>(wide.size()), nullptr, 0);
    for (int attempt = 0; attempt < 4 && size > 0; ++attempt) {
        std::wstring out(static_cast<std::size_t>(size), L'\0');
        const int written = NormalizeString(NormalizationKC, wide.data(),
                                            static_cast<int>(wide.size()), out.data(), size);
        if (written > 0) {
            out.resize(static_cast<std::size_t>(written));
            return win32::Narrow(out);
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        size = -written;
    }
    if (GetLastError() == ERROR_NOT_ENOUGH_MEMORY) throw std::bad_alloc();
    // Text the system will not normalise is compared as it stands.
    return win32::Narrow(wide);
}

}  // namespace zelmo::platform
