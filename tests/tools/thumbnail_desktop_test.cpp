#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "authoring/movie_writer.h"
#include "tests/support/program_output.h"
#include "tests/support/temp_movie.h"
#include "tests/tools/encode_test_support.h"
#include "tests/tools/file_checks.h"
#include "tools/qx/encode_png_reader.h"
#include "tools/qx/thumbnail_choice.h"

namespace qx {

namespace {

constexpr int32_t WIDTH = 96;
constexpr int32_t HEIGHT = 64;

// Eight black pictures, then a scene: a title card that a thumbnail should pass over.
void make_movie_opening_in_black(const std::string& folder) {
    std::vector<std::vector<uint8_t>> frames(8, std::vector<uint8_t>(WIDTH * HEIGHT * 3, 0));
    for (auto& frame : scene_frames(WIDTH, HEIGHT, 16)) {
        frames.push_back(std::move(frame));
    }
    write_png_frames(folder + "/%d.png", WIDTH, HEIGHT, frames);
    const QxRun made = run_qx_in(folder, "encode movie.mnb -i %d.png --fps 15");
    ASSERT_EQ(made.status, 0) << made.errors;
}

RgbImage read_picture(const std::string& path) {
    RgbImage picture;
    std::string error;
    EXPECT_TRUE(read_png_rgb(path, picture.width, picture.height, picture.rgb, error)) << error;
    return picture;
}

// The desktop's files installed into a folder of its own, as a distribution would install them.
class InstalledDesktopFiles {
  public:
    InstalledDesktopFiles() {
        const ProgramOutput installed =
            run_command("cmake --install '" + std::string(QX_BINARY_DIR) +
                        "' --component desktop --prefix '" + folder_.path() + "'");
        EXPECT_EQ(installed.status, 0) << installed.err;
    }
    std::string share() const { return folder_.path() + "/share"; }

  private:
    TempFolder folder_;
};

}  // namespace

TEST(ThumbnailTool, PassesOverABlackOpeningAndFitsTheAskedSize) {
    TempFolder folder;
    make_movie_opening_in_black(folder.path());
    const QxRun chosen = run_qx_in(folder.path(), "thumbnail movie.mnb chosen.png --size 48");
    ASSERT_EQ(chosen.status, 0) << chosen.errors;
    const RgbImage thumbnail = read_picture(folder.path() + "/chosen.png");
    EXPECT_EQ(thumbnail.width, 48);
    EXPECT_EQ(thumbnail.height, 32);
    EXPECT_FALSE(says_little(picture_detail(thumbnail)));

    // Asked for a time, it takes the picture shown then, black or not.
    ASSERT_EQ(run_qx_in(folder.path(), "thumbnail movie.mnb start.png --at 0.1").status, 0);
    EXPECT_TRUE(says_little(picture_detail(read_picture(folder.path() + "/start.png"))));
}

TEST(ThumbnailTool, ABadMovieLeavesNoPicture) {
    TempFolder folder;
    std::ofstream(folder.path() + "/notes.mnb") << "no movie here";
    const QxRun run = run_qx_in(folder.path(), "thumbnail notes.mnb out.png");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/out.png"));
}

// On a machine with the desktop files installed, a movie is known by its content (whatever its
// name), the menu entry is valid, and the thumbnailer's own command line makes a picture of the
// size a file manager asks for.
TEST(DesktopFiles, AnInstalledPackageMakesTheDesktopKnowTheMovies) {
    const InstalledDesktopFiles package;
    const ProgramOutput database =
        run_command("update-mime-database '" + package.share() + "/mime'");
    ASSERT_EQ(database.status, 0) << database.err;
    TempFolder folder;
    const auto file_type = [&](const std::string& path) {
        const ProgramOutput query =
            run_command("XDG_CURRENT_DESKTOP=GNOME XDG_DATA_DIRS='" + package.share() +
                        ":/usr/share' xdg-mime query filetype '" + path + "'");
        return query.out;
    };
    const std::vector<uint8_t> body(24, 0);
    const char tags[][5] = {"SCHl", "lHCS", "1SNh", "SEAD", "kDKR",
                            "RKDk", "pBNM", "MQXf", "pELZ", "QX2f"};
    for (const auto& tag : tags) {
        MovieWriter movie;
        movie.chunk(tag, body);
        movie.save(folder.path() + "/movie.bin");
        EXPECT_EQ(file_type(folder.path() + "/movie.bin"), "video/x-qx\n") << tag;
    }
    std::ofstream(folder.path() + "/words.bin") << "SEAD is a word, not a movie";
    EXPECT_NE(file_type(folder.path() + "/words.bin"), "video/x-qx\n");

    const std::string entry = package.share() + "/applications/qxplay.desktop";
    const ProgramOutput valid = run_command("desktop-file-validate '" + entry + "'");
    EXPECT_EQ(valid.status, 0) << valid.out << valid.err;
    EXPECT_NE(file_text(entry).find("MimeType=video/x-qx;"), std::string::npos);
    EXPECT_TRUE(
        std::filesystem::exists(package.share() + "/icons/hicolor/scalable/apps/qxplay.svg"));

    make_movie_opening_in_black(folder.path());
    std::smatch exec;
    const std::string thumbnailer = file_text(package.share() + "/thumbnailers/qxplay.thumbnailer");
    ASSERT_TRUE(std::regex_search(thumbnailer, exec, std::regex("\nExec=(.*)\n")));
    const std::string command = std::regex_replace(
        std::regex_replace(std::regex_replace(exec[1].str(), std::regex("%i"), "movie.mnb"),
                           std::regex("%o"), "thumbnail.png"),
        std::regex("%s"), "128");
    const ProgramOutput made =
        run_command("cd '" + folder.path() + "' && PATH='" + QX_BINARY_DIR + "' " + command);
    ASSERT_EQ(made.status, 0) << command << ": " << made.err;
    const RgbImage thumbnail = read_picture(folder.path() + "/thumbnail.png");
    EXPECT_EQ(thumbnail.width, 128);
    EXPECT_EQ(thumbnail.height, 85);
}

}  // namespace qx
