#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "posix_test_support.h"
#include "zelmo_version.h"

namespace zelmo::cli {
namespace {

using CliRun = test::posix::ShellRun;

// Runs zelmocb-cli in demo/.
CliRun RunCli(const std::string& arguments) {
    test::TempDir dir;
    return test::posix::RunShell(
        "cd '" ZELMO_SOURCE_DIR "/demo' && '" ZELMO_CLI_PATH "' " + arguments, dir);
}

TEST(CommandLine, AnswersHelpVersionAndBadArgumentsByConvention) {
    struct Case {
        const char* arguments;
        int status;
        const char* inOut;  // text expected on stdout ("" for none at all)
        const char* inErr;  // text expected on stderr ("" for none at all)
    };
    const Case cases[] = {
        {"--help", 0, "Usage: zelmocb-cli", ""},
        {"-h", 0, "facts", ""},
        {"scan --help", 0, "--drive LETTER=FOLDER", ""},
        {"scan -h --bogus", 0, "--per-row", ""},
        {"facts -h", 0, "--json", ""},
        {"--version", 0, "zelmocb-cli " ZELMO_VERSION "\n", ""},
        {"", 64, "", "a command is required"},
        {"inventory", 64, "", "inventory"},
        {"scan --bogus", 64, "", "--bogus"},
        {"scan --drive 1=/srv", 64, "", "'1=/srv'"},
        {"scan --threads many", 64, "", "many"},
        {"scan --list", 64, "", "--list"},
        {"facts --json extra", 64, "", "extra"},
        {"collect save --encoding NO-SUCH-CODE", 64, "", "'NO-SUCH-CODE'"},
        {"scan --list missing.csv", 2, "", "53"},
        {"scan --drive C=drives/C --drive d=drives/D", 0,
         "Summary: ED01Text EditorText Editor,CA01Calculator,", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.status, c.status);
        if (*c.inOut) {
            EXPECT_NE(run.out.find(c.inOut), std::string::npos) << run.out;
        } else {
            EXPECT_EQ(run.out, "");
        }
        if (*c.inErr) {
            EXPECT_NE(run.err.find(c.inErr), std::string::npos) << run.err;
        } else {
            // Nothing, in particular no progress line when stderr is a file.
            EXPECT_EQ(run.err, "");
        }
    }
}

}  // namespace
}  // namespace zelmo::cli
