#include "platform/command_line.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <streambuf>

#include "platform/win32/wide_text.h"

namespace zelmo::platform {
namespace {

// Collects UTF-8 and hands the console whole characters as UTF-16; a
// sequence split between two writes waits for its end.
class ConsoleBuffer : public std::streambuf {
  public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) { setp(buffer_, buffer_ + kSize); }
    ~ConsoleBuffer() override { sync(); }

  protected:
    int_type overflow(int_type c) override {
        Flush(false);
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    int sync() override {
        Flush(true);
        return 0;
    }

  private:
    static constexpr int kSize = 4096;

    void Flush(bool all) {
        std::size_t n = static_cast<std::size_t>(pptr() - pbase());
        std::size_t whole = n;
        if (!all) {
            // Back to the start of the last character; keep it if unfinished.
            std::size_t start = n;
            while (start > 0 && (static_cast<unsigned char>(buffer_[start - 1]) & 0xC0) == 0x80 &&
                   n - start < 3) {
                --start;
            }
            if (start > 0) {
                const auto lead = static_cast<unsigned char>(buffer_[start - 1]);
                const std::size_t length = lead >= 0xF0   ? 4
                                           : lead >= 0xE0 ? 3
                                           : lead >= 0xC0 ? 2
                                                          : 1;
                if (n - (start - 1) < length) whole = start - 1;
            }
        }
        const std::wstring wide = win32::Widen(std::string_view(buffer_, whole));
        DWORD written = 0;
        for (std::size_t done = 0; done < wide.size(); done += written) {
            if (!WriteConsoleW(console_, wide.data() + done, static_cast<DWORD>(wide.size() - done),
                               &written, nullptr) ||
                written == 0) {
                break;
            }
        }
        std::memmove(buffer_, buffer_ + whole, n - whole);
        setp(buffer_, buffer_ + kSize);
        pbump(static_cast<int>(n - whole));
    }

    HANDLE console_;
    char buffer_[kSize];
};

void UseConsoleFor(DWORD which, std::ostream& stream) {
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return;
    stream.flush();
    // Never freed: the standard streams are flushed after static objects
    // are gone.
    stream.rdbuf(new ConsoleBuffer(handle));
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    if (!wide || count != argc) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    args.reserve(count);
    for (int i = 0; i < count; ++i) args.push_back(win32::Narrow(wide.get()[i]));
    return args;
}

void UseConsoleText() {
    UseConsoleFor(STD_OUTPUT_HANDLE, std::cout);
    UseConsoleFor(STD_ERROR_HANDLE, std::cerr);
}

}  // namespace zelmo::platform
