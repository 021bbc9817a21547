#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/platform/sdl_test_support.h"
#include "tests/support/program_output.h"
#include "tests/support/temp_movie.h"
#include "tools/qx/play_keys.h"

namespace qx {

// The manners people expect of `qx` and `qxhost` as programs: usage errors are one line and
// status 2, failures to read a movie one line and status 1, help and version on stdout.
namespace {

int line_count(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CommandLine, UsageErrorsAreOneLineAndStatusTwo) {
    TempFolder folder;
    const std::string movie = folder.path() + "/movie.mnb";
    write_test_movie(movie, 3, false);
    const struct {
        std::string arguments;
        std::string line;
    } cases[] = {
        {"bogus", "qx: unknown command 'bogus'\n"},
        {"--bogus", "qx: unknown option '--bogus'\n"},
        {"",
         "qx: a command is needed: info, export, play, encode, convert or thumbnail (see qx "
         "--help)\n"},
        {"play --fps 0 " + movie, "qx play: --fps must be greater than 0\n"},
        {"play --fps -3 " + movie, "qx play: --fps must be greater than 0\n"},
        {"play --brightness -10 " + movie, "qx play: --brightness must be 0 or more\n"},
        {"export --brightness -1 " + movie + " " + folder.path() + "/out",
         "qx export: --brightness must be 0 or more\n"},
        {"encode --demo --frames 0 " + folder.path() + "/demo.mnb",
         "qx encode: --frames must be greater than 0\n"},
        {"export --brightness 9999 " + movie + " " + folder.path() + "/out",
         "qx export: --brightness must be at most 1000\n"},
        {"play --fps 5000 " + movie, "qx play: --fps must be at most 1000\n"},
        {"export " + movie + " " + folder.path() + "/out more",
         "qx export: takes one movie and one output folder; 'more' is one too many\n"},
        {"encode a.mnb b.mnb -i x.png",
         "qx encode: takes one output file (the pictures come with -i); 'b.mnb' is one too "
         "many\n"},
        {"info", "qx info: MOVIE is required\n"},
        {"info --bogus " + movie, "qx info: The following argument was not expected: --bogus\n"},
        {"export " + movie + " out --display rgb999", ""},
    };
    for (const auto& c : cases) {
        const ProgramOutput result = run_qx(c.arguments);
        EXPECT_EQ(result.status, 2) << c.arguments;
        EXPECT_EQ(line_count(result.err), 1) << c.arguments << ": " << result.err;
        EXPECT_TRUE(result.out.empty()) << c.arguments << ": " << result.out;
        if (!c.line.empty()) {
            EXPECT_EQ(result.err, c.line) << c.arguments;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/out"));
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
    const ProgramOutput version = run_qx("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("qx ", 0), 0u) << version.out;
    EXPECT_EQ(line_count(version.out), 1);
    const ProgramOutput help = run_qx("info --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--chunks"), std::string::npos) << help.out;
    EXPECT_TRUE(help.err.empty());
    // Every key of `qx play`, and the pace of a movie without sound.
    const std::string play = run_qx("play --help").out;
    for (const PlayKey& key : play_keys()) {
        EXPECT_NE(play.find(std::string(key.keys) + ": " + key.action), std::string::npos)
            << key.keys;
    }
    EXPECT_NE(play.find("movie without sound (15)"), std::string::npos) << play;
}

TEST(CommandLine, EveryCommandSaysInOneLineThatAFileIsNoMovie) {
    TempFolder folder;
    TempMovie text(std::vector<uint8_t>{'r', 'o', 'o', 't', ':', 'x', ':', '0', ':', '0', '\n'});
    const std::string out = folder.path() + "/out";
    for (const std::string& command :
         {"info " + text.path(), "export " + text.path() + " " + out,
          "play --headless " + text.path(), "info " + folder.path() + "/missing.mnb",
          "export " + folder.path() + "/missing.mnb " + out}) {
        const ProgramOutput result = run_qx(command);
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_EQ(line_count(result.err), 1) << command << ": " << result.err;
        EXPECT_TRUE(result.out.empty()) << command << ": " << result.out;
    }
    // Nothing is left behind by an export that had nothing to read.
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_NE(run_qx("export " + text.path() + " " + out).err.find("not a movie"),
              std::string::npos);
}

TEST(CommandLine, ExportEndsWithALineSayingWhatItWrote) {
    TempFolder folder;
    const std::string movie = folder.path() + "/movie.mnb";
    write_test_movie(movie, 15, true);
    const ProgramOutput result = run_qx("export " + movie + " " + folder.path() + "/out");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "wrote 15 PNG pictures and audio.wav (1.0 s, 22,050 Hz stereo)\n");
    EXPECT_TRUE(result.err.empty()) << result.err;
}

TEST(CommandLine, HostHelpVersionAndUnknownArguments) {
    const ProgramOutput help = run_qxhost("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("ORLUND.MNB"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("Esc"), std::string::npos) << help.out;
    const ProgramOutput version = run_qxhost("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("qxhost ", 0), 0u) << version.out;
    const ProgramOutput bogus = run_qxhost("--bogus");
    EXPECT_EQ(bogus.status, 2);
    EXPECT_EQ(line_count(bogus.err), 1) << bogus.err;
}

}  // namespace

}  // namespace qx
