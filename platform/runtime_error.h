#pragma once

#include <stdexcept>
#include <string>

namespace zelmo::platform {

// The run-time error numbers that this program can raise.
enum ErrorNumber : int {
    kInvalidProcedureCall = 5,
    kOutOfMemory = 7,
    kInternalError = 51,
    kBadFileNameOrNumber = 52,
    kDiskFull = 61,
    kFileNotFound = 53,
    kInputPastEndOfFile = 62,
    kPermissionDenied = 70,
    kPathFileAccessError = 75,
    kPathNotFound = 76,
};

// The fixed text of an error number ("File not found" for 53).
std::string ErrorText(int number);

// The run-time error number for a C library errno from opening, creating or
// writing a file. A missing entry is "file not found" only when reading.
int ErrorFromErrno(int err, bool reading);

// An untrapped run-time failure. It carries the error number and text and
// names what failed, and travels to the top of the program, which reports it
// and ends with a non-zero status.
class RunTimeError : public std::runtime_error {
  public:
    RunTimeError(int number, std::string subject);

    // The report for memory that ran out anywhere in the program.
    static RunTimeError OutOfMemory() { return RunTimeError(kOutOfMemory, ""); }

    int Number() const { return number_; }
    std::string Text() const { return ErrorText(number_); }
    const std::string& Subject() const { return subject_; }

    // First line of the report: "Run-time error '53':".
    std::string Heading() const;
    // The text below it: "File not found: ZelmoAppl.csv".
    std::string Detail() const;
    // Both, as one message.
    std::string Report() const;

  private:
    int number_;
    std::string subject_;
};

}  // namespace zelmo::platform
