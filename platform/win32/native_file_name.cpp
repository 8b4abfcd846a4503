#include "platform/sequential_file.h"

namespace zelmo::platform {

std::string NativeFileName(const std::string& name, const TextCodec& codec) {
    return codec.ToAnsi(name);
}

}  // namespace zelmo::platform
