#include "platform/native_file_name.h"

namespace zelmo::platform {

std::string NativeFileName(const std::string& name, const TextCodec& codec) {
    return codec.ToAnsi(name);
}

std::string CommandLineFileName(const std::string& name) {
    return TextCodec::System().ToAnsi(name);
}

}  // namespace zelmo::platform
