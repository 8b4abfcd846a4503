#include "collector/xlsx_book.h"

#include <cstdio>
#include <random>

#include "platform/native_file_name.h"
#include "platform/text_codec.h"
#include "platform/utf8.h"

namespace zelmo::collector::xlsx {

double DisplayWidth(std::string_view text) {
    double width = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t cp = platform::DecodeUtf8(text, pos);
        const bool narrow = cp < 0x1100 || (cp >= 0xFF61 && cp <= 0xFFDC);
        width += narrow ? 1 : 2;
    }
    return width;
}

std::string CellText(std::string_view text) {
    if (text.size() <= kMaxCellText) return std::string(text);
    std::size_t end = kMaxCellText;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

PrivateFolder::PrivateFolder() {
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "zelmocb-xlsx-%08x%08x", random(), random());
        std::error_code ec;
        if (fs::create_directory(base / name, ec)) {
            path_ = base / name;
            fs::permissions(path_, fs::perms::owner_all, fs::perm_options::replace, ec);
            return;
        }
    }
    throw platform::RunTimeError(platform::kPathFileAccessError, Utf8Name(base));
}

std::string LibraryName(const fs::path& path) {
    const std::string utf8 = Utf8Name(path);
    const platform::TextCodec& codec = platform::TextCodec::System();
    if (codec.FromAnsi(codec.ToAnsi(utf8)) != utf8) {
        throw platform::RunTimeError(
            platform::kPathFileAccessError,
            utf8 + ": the temporary folder's name is not in the system's code page");
    }
    return platform::NativeFileName(utf8, codec);
}

}  // namespace zelmo::collector::xlsx
