#include "platform/runtime_error.h"

#include <cerrno>

namespace zelmo::platform {

std::string ErrorText(int number) {
    switch (number) {
        case kInvalidProcedureCall:
            return "Invalid procedure call or argument";
        case kOutOfMemory:
            return "Out of memory";
        case kInternalError:
            return "Internal error";
        case kBadFileNameOrNumber:
            return "Bad file name or number";
        case kFileNotFound:
            return "File not found";
        case kDiskFull:
            return "Disk full";
        case kInputPastEndOfFile:
            return "Input past end of file";
        case kPermissionDenied:
            return "Permission denied";
        case kPathFileAccessError:
            return "Path/File access error";
        case kPathNotFound:
            return "Path not found";
        default:
            return "Application-defined or object-defined error";
    }
}

int ErrorFromErrno(int err, bool reading) {
    switch (err) {
        case ENOENT:
            // Reading, the file itself is missing; creating, its folder.
            return reading ? kFileNotFound : kPathNotFound;
        case ENOTDIR:
            return kPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return kPermissionDenied;
#ifdef EDQUOT  // Windows' C library has no quota error
        case EDQUOT:
#endif
        case ENOSPC:
            return kDiskFull;
        case EINVAL:
        case ENAMETOOLONG:
        case EILSEQ:
            return kBadFileNameOrNumber;
        default:
            return kPathFileAccessError;
    }
}

RunTimeError::RunTimeError(int number, std::string subject)
    : std::runtime_error(ErrorText(number) + (subject.empty() ? "" : ": " + subject)),
      number_(number),
      subject_(std::move(subject)) {}

std::string RunTimeError::Heading() const {
    return "Run-time error '" + std::to_string(number_) + "':";
}

std::string RunTimeError::Detail() const { return what(); }

std::string RunTimeError::Report() const { return Heading() + "\n\n" + Detail(); }

}  // namespace zelmo::platform
