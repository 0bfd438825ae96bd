// The quorvane-render command as users run it: its output, its errors, and
// its promise never to leave a partial or broken file.

#include "PatternTesting.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct CommandResult {
    int status;
    std::string out;
    std::string err;
};

class RenderCommand : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("quorvane-render-test-" + std::to_string(getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the command through the shell; prefix may set limits first.
    CommandResult Render(const std::string &arguments, const std::string &prefix = "")
    {
        const std::string out = (dir_ / "stdout").string();
        const std::string err = (dir_ / "stderr").string();
        const std::string command =
            prefix + "'" QUORVANE_RENDER "' " + arguments + " >'" + out + "' 2>'" + err + "'";
        const int raw = std::system(("cd '" + dir_.string() + "' && " + command).c_str());
        CommandResult run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
        fs::remove(out);
        fs::remove(err);
        return run;
    }

    static std::string Slurp(const fs::path &path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

std::vector<uint32_t> ReadPng(const fs::path &path, uint32_t *width, uint32_t *height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "cannot read " << path << ": " << image.message;
        return {};
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint32_t> rgba(static_cast<size_t>(image.width) * image.height);
    png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr);
    *width = image.width;
    *height = image.height;
    for (uint32_t &pixel : rgba) {
        pixel &= 0x00FFFFFF; // RGBA bytes in memory are 0xAABBGGRR, the same order as COLORREF
    }
    return rgba;
}

TEST_F(RenderCommand, WritesThePatternAsAPngOfExactlyThatSize)
{
    for (const char *size : {"1x1", "23x9", "800x600", "1023x767"}) {
        SCOPED_TRACE(size);
        const CommandResult run = Render(std::string(size) + " -o out.png");
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "");
        uint32_t width = 0;
        uint32_t height = 0;
        const std::vector<uint32_t> pixels = ReadPng(dir_ / "out.png", &width, &height);
        int32_t w = 0;
        int32_t h = 0;
        sscanf(size, "%dx%d", &w, &h);
        ASSERT_EQ(width, static_cast<uint32_t>(w));
        ASSERT_EQ(height, static_cast<uint32_t>(h));
        EXPECT_TRUE(pixels == RenderPattern(w, h));
        EXPECT_EQ(Files(), std::vector<std::string>{"out.png"});
    }
}

TEST_F(RenderCommand, PrintsTheDrawingListOneEntryALine)
{
    const CommandResult run = Render("--ops 800x600");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string expected;
    for (const std::string &line : PatternOpTexts(CollectPattern(800, 600))) {
        expected += line + "\n";
    }
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.out.substr(0, 60), "SelectWhitePen\nSelectBlackBrush\nDrawFrame 0 0 800 600\nDrawLi");

    const CommandResult empty = Render("--ops 0x0");
    ASSERT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(std::count(empty.out.begin(), empty.out.end(), '\n'), 61);

    const CommandResult widest = Render("--ops 2147483647x2147483647 | head -n 4");
    EXPECT_EQ(widest.out, "SelectWhitePen\nSelectBlackBrush\nDrawFrame 0 0 2147483647 2147483647\n"
                          "DrawLine 11 536870911 11 1610612736\n");
}

TEST_F(RenderCommand, HelpDescribesBothForms)
{
    const CommandResult run = Render("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("WIDTHxHEIGHT -o FILE.png"), std::string::npos);
    EXPECT_NE(run.out.find("--ops WIDTHxHEIGHT"), std::string::npos);
    EXPECT_EQ(run.err, "");
}

TEST_F(RenderCommand, RejectsBadArgumentsWithOneLineAndStatus2)
{
    struct Bad {
        const char *arguments;
        const char *problem; // part of the one line on stderr
    };
    const Bad cases[] = {
        {"800 -o out.png", "invalid size '800'"},
        {"800x -o out.png", "invalid size '800x'"},
        {"x600 -o out.png", "invalid size 'x600'"},
        {"axb -o out.png", "invalid size 'axb'"},
        {"800x600x3 -o out.png", "invalid size '800x600x3'"},
        {"-5x3 -o out.png", "invalid size '-5x3'"},
        {"+5x3 -o out.png", "invalid size '+5x3'"},
        {"' 5x3' -o out.png", "invalid size ' 5x3'"},
        {"0x0 -o out.png", "is empty"},
        {"0x10 -o out.png", "is empty"},
        {"32768x10 -o out.png", "too large"},
        {"--ops 2147483648x1", "too large"},
        {"--ops 99999999999999999999x1", "too large"},
        {"-o out.png", "missing size"},
        {"--ops", "missing size"},
        {"800x600", "nothing to do"},
        {"800x600 -o", "-o needs"},
        {"800x600 --ops -o out.png", "takes no -o"},
        {"800x600 640x480 -o out.png", "more than one size"},
        {"800x600 --frobnicate -o out.png", "unknown option '--frobnicate'"},
        {"800x600 -o missing/dir/out.png", "cannot write 'missing/dir/out.png'"},
        {"800x600 -o .", "cannot write '.'"},
    };
    for (const Bad &bad : cases) {
        SCOPED_TRACE(bad.arguments);
        const CommandResult run = Render(bad.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(bad.problem), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.err.rfind("quorvane-render: ", 0), 0u) << run.err;
        EXPECT_EQ(Files(), std::vector<std::string>{}) << "left a file behind";
    }
}

TEST_F(RenderCommand, KeepsAGoodFileWhenTheNewOneCannotBeFinished)
{
    ASSERT_EQ(Render("64x48 -o out.png").status, 0);
    const std::string good = Slurp(dir_ / "out.png");

    // A file size limit makes the write fail part-way through.
    const CommandResult run = Render("4000x3000 -o out.png", "ulimit -f 1; trap '' XFSZ; ");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("writing 'out.png' failed"), std::string::npos) << run.err;
    EXPECT_EQ(Slurp(dir_ / "out.png"), good);
    EXPECT_EQ(Files(), std::vector<std::string>{"out.png"}) << "left a temporary file behind";

    EXPECT_EQ(Render("0x0 -o out.png").status, 2);
    EXPECT_EQ(Slurp(dir_ / "out.png"), good);
}

TEST_F(RenderCommand, ReplacesAnExistingFileWithTheNewImage)
{
    std::ofstream(dir_ / "out.png") << "not a png";
    ASSERT_EQ(Render("40x30 -o out.png").status, 0);
    uint32_t width = 0;
    uint32_t height = 0;
    EXPECT_TRUE(ReadPng(dir_ / "out.png", &width, &height) == RenderPattern(40, 30));
    EXPECT_EQ(fs::status(dir_ / "out.png").permissions() & fs::perms::others_read, fs::perms::others_read);
}

} // namespace
