#include "platform/sequential_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/native_file_name.h"
#include "platform/runtime_error.h"

namespace zelmo::platform {
namespace {

constexpr int kEnd = -1;
constexpr int kCtrlZ = 0x1A;
constexpr std::size_t kBufferSize = 64 * 1024;

bool IsBlank(int c) { return c == ' ' || c == '\t'; }

// A NUL is no text in any code page; kept, it would cut names short in system
// calls and put a NUL byte into the record.
void DropNuls(std::string& raw) { raw.erase(std::remove(raw.begin(), raw.end(), '\0'), raw.end()); }

const TextCodec& Utf8() {
    static const TextCodec codec("UTF-8");
    return codec;
}

}  // namespace

SequentialFile::SequentialFile(std::string name, OpenMode mode, const TextCodec& codec,
                               FileNaming naming)
    : name_(std::move(name)), mode_(mode), codec_(&codec) {
    if (name_.empty()) throw RunTimeError(kBadFileNameOrNumber, "(no file name)");
    const std::string native = naming == FileNaming::CommandLine ? CommandLineFileName(name_)
                                                                 : NativeFileName(name_, codec);
    const char* how = mode == OpenMode::Input ? "rb" : mode == OpenMode::Output ? "wb" : "ab";
    errno = 0;
    file_ = std::fopen(native.c_str(), how);
    if (!file_) {
        const int err = errno;
        // Windows' C library refuses a folder as permission denied; it is the
        // same access error that reading one fails with elsewhere.
        std::error_code ec;
        if (std::filesystem::is_directory(native, ec)) {
            throw RunTimeError(kPathFileAccessError, name_);
        }
        RaiseFromErrno(err);
    }
    if (mode == OpenMode::Input) buffer_.resize(kBufferSize);
}

SequentialFile::~SequentialFile() {
    if (file_) std::fclose(file_);
}

void SequentialFile::RaiseFromErrno(int err) const {
    throw RunTimeError(ErrorFromErrno(err, mode_ == OpenMode::Input), name_);
}

bool SequentialFile::Fill() {
    if (eof_ || !file_) return false;
    pos_ = 0;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    if (end_ == 0) {
        // A folder opened as a file reads as an error, not as an empty file.
        if (std::ferror(file_)) RaiseFromErrno(errno == EISDIR ? EISDIR : errno);
        eof_ = true;
        return false;
    }
    if (!started_) {
        started_ = true;
        // A list saved as UTF-8 with a byte order mark ("CSV UTF-8") is read
        // as UTF-8 whatever the code page; the mark is no part of a field.
        if (end_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0) {
            pos_ = 3;
            codec_ = &Utf8();
        }
    }
    return true;
}

int SequentialFile::Peek() {
    while (pos_ == end_) {
        if (!Fill()) return kEnd;
    }
    return static_cast<unsigned char>(buffer_[pos_]);
}

int SequentialFile::Get() {
    const int c = Peek();
    if (c != kEnd) ++pos_;
    return c;
}

bool SequentialFile::AtEnd() {
    if (mode_ != OpenMode::Input) throw RunTimeError(kBadFileNameOrNumber, name_);
    const int c = Peek();
    return c == kEnd || c == kCtrlZ;
}

// Field rules of the application list: blanks before a field are skipped; a
// quoted field runs to the next quote (line ends included, no escapes) and
// whatever follows it up to a comma or line end becomes the next field; an
// unquoted field ends at a comma or line end and loses its trailing spaces.
// CR LF, CR and LF each end a line; a Ctrl-Z byte counts as the end.
std::string SequentialFile::ReadField() {
    if (mode_ != OpenMode::Input) throw RunTimeError(kBadFileNameOrNumber, name_);
    while (IsBlank(Peek())) Get();
    int c = Peek();
    if (c == kEnd || c == kCtrlZ) throw RunTimeError(kInputPastEndOfFile, name_);

    const auto consumeLineEnd = [this](int first) {
        Get();
        if (first == '\r' && Peek() == '\n') Get();
    };

    std::string raw;
    if (c == '"') {
        Get();
        for (c = Get(); c != kEnd && c != '"'; c = Get()) raw.push_back(static_cast<char>(c));
        DropNuls(raw);
        while (IsBlank(Peek())) Get();
        c = Peek();
        if (c == ',') {
            Get();
        } else if (c == '\r' || c == '\n') {
            consumeLineEnd(c);
        }
    } else {
        for (c = Peek(); c != kEnd && c != kCtrlZ && c != ',' && c != '\r' && c != '\n';
             c = Peek()) {
            raw.push_back(static_cast<char>(Get()));
        }
        if (c == ',') {
            Get();
        } else if (c == '\r' || c == '\n') {
            consumeLineEnd(c);
        }
        DropNuls(raw);
        while (!raw.empty() && raw.back() == ' ') raw.pop_back();
    }
    return codec_->FromAnsi(raw);
}

void SequentialFile::PrintLine(std::string_view text) {
    if (mode_ == OpenMode::Input) throw RunTimeError(kBadFileNameOrNumber, name_);
    std::string bytes = codec_->ToAnsi(text);
    bytes += "\r\n";
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        RaiseFromErrno(errno);
    }
}

void SequentialFile::Close() {
    if (!file_) return;
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    const bool flushed = mode_ == OpenMode::Input || std::fflush(file) == 0;
    const int flushErr = errno;
    const bool closed = std::fclose(file) == 0;
    if (!flushed || !closed) RaiseFromErrno(flushed ? errno : flushErr);
}

}  // namespace zelmo::platform
