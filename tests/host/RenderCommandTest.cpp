// The quorvane-render command as users run it: its output, its errors, and
// its promise never to leave a partial or broken file.

#include "PatternTesting.h"

#include <gtest/gtest.h>
#include <png.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

extern char **environ;

namespace {

struct CommandResult {
    int status; // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

// The user the commands run as when the tests run as root, so that read-only
// files and folders mean what they mean to everyone else.
constexpr uid_t Nobody = 65534;

// Starts bash on a script with every signal at its default action, whatever
// the test runner ignores; as Nobody when the tests run as root.
pid_t StartScript(const std::string &script)
{
    std::vector<std::string> words;
    if (geteuid() == 0) {
        words = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    words.insert(words.end(), {"bash", "-c", script});
    std::vector<char *> argv;
    for (std::string &word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return pid;
}

// The exit status, or 128 + the signal that ended it; -1 while still running
// when not waiting.
int WaitFor(pid_t pid, int options = 0)
{
    int raw = 0;
    if (waitpid(pid, &raw, options) != pid) {
        return -1;
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

class RenderCommand : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("quorvane-render-test-" + std::to_string(getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        program_ = QUORVANE_RENDER;
        if (geteuid() == 0) {
            ASSERT_EQ(chown(dir_.c_str(), Nobody, Nobody), 0);
            // Nobody may not reach the build tree (under /root, say): a copy
            // beside the folder, open to all whatever the umask.
            const fs::path bin = dir_.string() + "-bin";
            fs::create_directories(bin);
            fs::copy_file(QUORVANE_RENDER, bin / "quorvane-render", fs::copy_options::overwrite_existing);
            fs::permissions(bin, fs::perms(0755));
            fs::permissions(bin / "quorvane-render", fs::perms(0755));
            program_ = (bin / "quorvane-render").string();
        }
    }
    void TearDown() override
    {
        fs::remove_all(dir_);
        fs::remove_all(dir_.string() + "-bin");
    }

    // Runs a bash command line in the test's folder, with "$R" the command
    // under test and a umask of 022; a pipeline fails when any part fails.
    CommandResult Run(const std::string &command)
    {
        const std::string script = "cd '" + dir_.string() + "' && umask 022 && set -o pipefail && export R='" +
                                   program_ + "' && { " + command + "; } >stdout 2>stderr";
        const int status = WaitFor(StartScript(script));
        CommandResult run{status, Slurp(dir_ / "stdout"), Slurp(dir_ / "stderr")};
        fs::remove(dir_ / "stdout");
        fs::remove(dir_ / "stderr");
        return run;
    }

    // The command with these arguments; prefix may set limits first.
    CommandResult Render(const std::string &arguments, const std::string &prefix = "")
    {
        return Run(prefix + "\"$R\" " + arguments);
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
    std::string program_; // quorvane-render, where the user running it can reach it
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

// Over a billion entries, minutes of work: a command that stops at its first
// failed write ends in milliseconds, well inside the guard's 30 seconds.
TEST_F(RenderCommand, OpsStopsAtTheFirstFailedWrite)
{
    struct Row {
        const char *command;
        const char *error;
    };
    const Row rows[] = {
        {"timeout 30 \"$R\" --ops 2147483647x2147483647 >/dev/full", "No space left on device"},
        {"trap '' PIPE; timeout 30 \"$R\" --ops 2147483647x2147483647 | head -c 1", "Broken pipe"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.command);
        const CommandResult run = Run(row.command);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, std::string("quorvane-render: writing the drawing list failed: ") + row.error + "\n");
    }
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

// Each kind of output name, as careful tools treat it. Afterwards "look"
// shows, a line each, what the named files are: a link and its target, a
// FIFO, or a file's permissions and whether it holds a PNG.
TEST_F(RenderCommand, TreatsEachKindOfOutputNameAsCarefulToolsDo)
{
    const std::string look = "look() { for name; do if [ -L $name ]; then echo $name '->' $(readlink $name); "
                             "elif [ -p $name ]; then echo $name fifo; elif [ -f $name ]; then echo $name "
                             "$(stat -c %a $name) $(head -c 4 $name | tail -c 3); fi; done; }";
    const std::string longName = std::string(251, 'n') + ".png";
    struct Row {
        const char *what;
        const char *scene; // commands run first
        std::string name;  // the output name, and what follows it on the command line
        int status;
        std::string error; // the line on stderr after "cannot write 'NAME': "
        std::string looked;
        std::string after; // what look says of them afterwards
    };
    const Row rows[] = {
        {"a new file", "", "out.png", 0, "", "out.png", "out.png 644 PNG\n"},
        {"a private file keeps its mode", "echo old >out.png; chmod 600 out.png", "out.png", 0, "", "out.png",
         "out.png 600 PNG\n"},
        {"a read-only file", "echo old >out.png; chmod 444 out.png", "out.png", 2, "you may not write to this file",
         "out.png", "out.png 444 ld\n"},
        {"a symbolic link", "echo old >real.png; ln -s real.png out.png", "out.png", 0, "", "out.png real.png",
         "out.png -> real.png\nreal.png 644 PNG\n"},
        {"a dangling link", "ln -s real.png out.png", "out.png", 0, "", "out.png real.png",
         "out.png -> real.png\nreal.png 644 PNG\n"},
        {"a FIFO", "mkfifo out.png; timeout 30 cat out.png >got &", "out.png", 0, "", "out.png got", "out.png fifo\ngot 644 PNG\n"},
        {"standard output as -", "", "- | cat >got", 0, "", "got", "got 644 PNG\n"},
        {"standard output by name, a pipe", "", "/dev/stdout | cat >got", 0, "", "got", "got 644 PNG\n"},
        {"a folder", "mkdir out.png", "out.png", 2, "it is a folder", "", ""},
        {"a missing folder", "", "missing/dir/out.png", 2, "folder 'missing/dir' does not exist", "", ""},
        {"a read-only folder", "mkdir ro; chmod 555 ro", "ro/out.png", 2, "you may not create files in folder 'ro'",
         "", ""},
        {"the longest name", "", longName, 0, "", longName, longName + " 644 PNG\n"},
        {"a name too long", "", "n" + longName, 2, "the file name is 256 bytes long, more than the 255 this folder allows",
         "", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(dir_);
        SetUp();
        const CommandResult run = Run(look + "\n" + row.scene + "\n\"$R\" 8x8 -o " + row.name +
                                      "\nstatus=$?; wait; look " + row.looked + "; exit $status");
        EXPECT_EQ(run.status, row.status);
        EXPECT_EQ(run.out, row.after);
        const std::string name = row.name.substr(0, row.name.find(' '));
        EXPECT_EQ(run.err, row.error.empty() ? "" : "quorvane-render: cannot write '" + name + "': " + row.error + "\n");
        const std::vector<std::string> names = Files();
        EXPECT_TRUE(std::none_of(names.begin(), names.end(), [](const std::string &file) { return file[0] == '.'; }))
            << "a temporary file was left behind";
    }
}

// The temporary file is there from the start of a write, and the largest
// render takes seconds, so the signal always arrives mid-write.
TEST_F(RenderCommand, AnInterruptLeavesTheTargetAsItWas)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const pid_t render =
            StartScript("cd '" + dir_.string() + "' && echo old >out.png && exec '" + program_ + "' 32767x32767 -o out.png");
        const auto writing = [&] {
            const std::vector<std::string> names = Files();
            return std::any_of(names.begin(), names.end(), [](const std::string &name) { return name[0] == '.'; });
        };
        int ended = -1;
        while (!writing() && (ended = WaitFor(render, WNOHANG)) < 0) {
            usleep(1000);
        }
        ASSERT_EQ(ended, -1) << "the render ended before it was interrupted";
        kill(render, signal);
        EXPECT_EQ(WaitFor(render), 128 + signal);
        EXPECT_EQ(Slurp(dir_ / "out.png"), "old\n");
        EXPECT_EQ(Files(), std::vector<std::string>{"out.png"});
    }
}

// The reader starts only after a second and a half, and the image is larger
// than the pipe holds, so the render cannot end sooner.
TEST_F(RenderCommand, ShowsProgressOnATerminalOnly)
{
    const std::string slowReader = " | (sleep 1.5; cat >/dev/null)";
    const CommandResult watched = Run("script -qec '\"$R\" 6000x6000 -o - 2>/dev/tty" + slowReader + "' /dev/null");
    EXPECT_EQ(watched.status, 0);
    EXPECT_NE(watched.out.find("\r\033[Kquorvane-render: "), std::string::npos) << watched.out;
    EXPECT_NE(watched.out.find("% of rows"), std::string::npos) << watched.out;
    EXPECT_EQ(watched.out.substr(watched.out.size() - 4), "\r\033[K") << "the line is cleared at the end";

    const CommandResult unwatched = Run("\"$R\" 6000x6000 -o -" + slowReader);
    EXPECT_EQ(unwatched.status, 0);
    EXPECT_EQ(unwatched.err, "");
}

} // namespace
