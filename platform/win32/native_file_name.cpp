#include "platform/native_file_name.h"

namespace zelmo::platform {

std::string NativeFileName(const std::string& name, const TextCodec& codec) {
    return codec.ToAnsi(name);
}

// The library takes UTF-8 as UTF-8 and "\" as a separator here, so no
// detour through the code page is needed.
std::filesystem::path NativePath(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

std::string CommandLineFileName(const std::string& name) {
    return TextCodec::System().ToAnsi(name);
}

}  // namespace zelmo::platform
