#include "platform/private_profile.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/text_codec.h"

namespace zelmo::platform {

std::string ProfileString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t size,
                          const std::string& path) {
    if (size == 0) return {};
    const TextCodec& codec = TextCodec::System();
    std::vector<char> buffer(size, '\0');
    GetPrivateProfileStringA(codec.ToAnsi(section).c_str(), codec.ToAnsi(key).c_str(),
                             codec.ToAnsi(defaultValue).c_str(), buffer.data(),
                             static_cast<DWORD>(size), codec.ToAnsi(path).c_str());
    return codec.FromAnsi(std::string_view(buffer.data(), strnlen(buffer.data(), size)));
}

std::int32_t ProfileInt(const std::string& section, const std::string& key,
                        std::int32_t defaultValue, const std::string& path) {
    const TextCodec& codec = TextCodec::System();
    const UINT value =
        GetPrivateProfileIntA(codec.ToAnsi(section).c_str(), codec.ToAnsi(key).c_str(),
                              defaultValue, codec.ToAnsi(path).c_str());
    return static_cast<std::int32_t>(value);
}

}  // namespace zelmo::platform
