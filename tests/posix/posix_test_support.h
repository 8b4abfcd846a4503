#pragma once

// What the POSIX tests share: a real temporary folder, a child process (as an
// ordinary user when asked) and namespaces of its own for mounts, host names
// and the network.

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "../test_support.h"

namespace zelmo::test::posix {

// What a shell command wrote and how it ended; each stream goes to a file in
// scratch, so that neither is a terminal.
struct ShellRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline ShellRun RunShell(const std::string& command, const TempDir& scratch) {
    const std::string out = scratch / "out", err = scratch / "err";
    ShellRun run;
    const int status = std::system((command + " >'" + out + "' 2>'" + err + "'").c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadBytes(out);
    run.err = ReadBytes(err);
    return run;
}

// The exit status of a child that could not be set up as asked.
inline constexpr int kCannot = 99;

// Removes name below the open folder parentFd with all it holds. Works
// relative to open folders, so trees deeper than PATH_MAX go too.
inline void RemoveTree(int parentFd, const std::string& name) {
    // Failing is fine: a file, or a folder never locked, needs no opening up.
    [[maybe_unused]] const int unlocked = fchmodat(parentFd, name.c_str(), 0700, 0);
    const int fd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        unlinkat(parentFd, name.c_str(), 0);
        return;
    }
    std::vector<std::string> children;
    if (DIR* dir = fdopendir(dup(fd))) {
        while (const dirent* ent = readdir(dir)) {
            const std::string child = ent->d_name;
            if (child != "." && child != "..") children.push_back(child);
        }
        closedir(dir);
    }
    for (const std::string& child : children) {
        struct stat st;
        if (fstatat(fd, child.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
            RemoveTree(fd, child);
        } else {
            unlinkat(fd, child.c_str(), 0);
        }
    }
    close(fd);
    unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
}

// A fresh folder below /tmp, named by its real path (a drive's root must
// hold no link), open to every user and removed with all it holds, however
// deep.
class TempFolder {
  public:
    TempFolder() {
        char pattern[] = "/tmp/zelmo-XXXXXX";
        char resolved[PATH_MAX];
        if (mkdtemp(pattern) == nullptr || realpath(pattern, resolved) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        root_ = resolved;
        chmod(root_.c_str(), 0755);
    }
    ~TempFolder() { RemoveTree(AT_FDCWD, root_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return root_; }
    std::string At(const std::string& relative) const { return root_ + "/" + relative; }

  private:
    std::string root_;
};

// Runs body in a child process, as an ordinary user when asked (root passes
// every permission check), and gives its exit status: kCannot when the child
// could not be set up, -1 when it did not exit. An alarm turns a child that
// loops into a failure instead of a hung test.
inline int InChild(const std::function<int()>& body, bool asOrdinaryUser = false) {
    const pid_t pid = fork();
    if (pid < 0) return kCannot;
    if (pid == 0) {
        alarm(60);
        if (asOrdinaryUser && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(kCannot);
        }
        _exit(body());
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Gives the calling process namespaces of its own (CLONE_NEWNS, CLONE_NEWUTS,
// CLONE_NEWNET), inside a user namespace of its own when it is not root;
// mounts made afterwards stay in it. False where the system does not allow
// it.
inline bool EnterOwnNamespaces(int flags) {
    if (unshare(geteuid() == 0 ? flags : CLONE_NEWUSER | flags) != 0) return false;
    return (flags & CLONE_NEWNS) == 0 ||
           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

}  // namespace zelmo::test::posix
