#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_codec.h"

namespace zelmo::platform {

enum class OpenMode { Input, Output, Append };

// How a file's name is taken: as the program names its files (Windows
// paths mapped where the system has none) or as typed on a command line.
enum class FileNaming { Program, CommandLine };

// A sequential text file, opened by name for one handler's use. Text is
// converted from and to the codec's code page at this boundary. Every failure raises a
// RunTimeError that names the file.
class SequentialFile {
  public:
    // A name without a folder is taken from the current directory. Output
    // creates or empties the file; Append creates it or writes after its end.
    SequentialFile(std::string name, OpenMode mode, const TextCodec& codec = TextCodec::System(),
                   FileNaming naming = FileNaming::Program);
    ~SequentialFile();
    SequentialFile(const SequentialFile&) = delete;
    SequentialFile& operator=(const SequentialFile&) = delete;

    const std::string& Name() const { return name_; }

    // True once nothing is left but the delimiter of the last field read.
    bool AtEnd();

    // Reads the next comma- or line-separated field (see the field rules in
    // the .cpp). Raises "Input past end of file" when nothing is left.
    std::string ReadField();

    // Writes text and CR LF.
    void PrintLine(std::string_view text);

    // Flushes and closes; raises when the data could not be written.
    void Close();

  private:
    int Peek();
    int Get();
    bool Fill();
    [[noreturn]] void RaiseFromErrno(int err) const;

    std::string name_;
    OpenMode mode_;
    // Input switches to UTF-8 when the file opens with its byte order mark.
    const TextCodec* codec_;
    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    bool started_ = false;
};

}  // namespace zelmo::platform
