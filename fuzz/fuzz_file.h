#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/text_codec.h"

namespace zelmo::fuzz {

// The input as a file, since the readers under test read files.
class FuzzFile {
  public:
    FuzzFile(const char* name, const uint8_t* data, size_t size) {
        path_ = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                "/zelmo-fuzz-" + std::to_string(getpid()) + "-" + name;
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) std::abort();
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    ~FuzzFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline bool IsValidUtf8(const std::string& text) { return platform::SanitizeUtf8(text) == text; }

}  // namespace zelmo::fuzz
