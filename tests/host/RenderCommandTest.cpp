// The quorvane-render command as users run it: its output, its errors, and
// its promise never to leave a partial or broken file.

#include "PatternTesting.h"

#include <gtest/gtest.h>
#include <png.h>

#include <fcntl.h>
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
    int status; // the exit status, or 256 + the signal that killed it
    std::string out;
    std::string err;
};

// The user the commands run as when the tests run as root, so that read-only
// files and folders mean what they mean to everyone else, and root is another user.
constexpr uid_t Nobody = 65534;

// Starts bash on a script with every signal at its default action, whatever
// the test runner ignores; as Nobody when the tests run as root, unless asRoot.
pid_t StartScript(const std::string &script, bool asRoot = false)
{
    std::vector<std::string> words;
    if (geteuid() == 0 && !asRoot) {
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

// The exit status, or 256 + the signal that killed it; -1 if running and not waiting.
int WaitFor(pid_t pid, int options = 0)
{
    int raw = 0;
    if (waitpid(pid, &raw, options) != pid) {
        return -1;
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 256 + WTERMSIG(raw);
}

class RenderCommand : public testing::Test {
protected:
    void SetUp() override
    {
        // Run through an inherited descriptor: Nobody may not reach the build tree (under /root, say).
        program_ = open(QUORVANE_RENDER, O_RDONLY);
        ASSERT_GE(program_, 0) << QUORVANE_RENDER << ": " << strerror(errno);
        dir_ = fs::temp_directory_path() / ("quorvane-render-test-" + std::to_string(getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        MakeFolder();
    }
    void TearDown() override
    {
        fs::remove_all(dir_);
        close(program_);
    }

    // The test's folder, empty and the command's user's.
    void MakeFolder()
    {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        if (geteuid() == 0 && chown(dir_.c_str(), Nobody, Nobody) != 0) {
            GTEST_SKIP() << "uid 65534, to run the command unprivileged, is not usable here: " << strerror(errno);
        }
    }
    std::string Program() const { return "/dev/fd/" + std::to_string(program_); }

    // Runs a bash command line in the test's folder, with "$R" the command
    // under test and a umask of 022; a pipeline fails when any part fails.
    CommandResult Run(const std::string &command, bool asRoot = false)
    {
        const std::string script = "cd '" + dir_.string() + "' && umask 022 && set -o pipefail && export R='" +
                                   Program() + "' && { " + command + "; } >stdout 2>stderr";
        const int status = WaitFor(StartScript(script, asRoot));
        CommandResult run{status, Slurp(dir_ / "stdout"), Slurp(dir_ / "stderr")};
        fs::remove(dir_ / "stdout");
        fs::remove(dir_ / "stderr");
        return run;
    }

    CommandResult Render(const std::string &arguments) { return Run("\"$R\" " + arguments); }

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
    int program_ = -1; // quorvane-render, open for the scripts to run
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

// 9000x600 is several times the command's 64 KiB buffer: every flush is compared.
TEST_F(RenderCommand, PrintsTheDrawingListOneEntryALine)
{
    for (const auto &[width, height] : {std::pair{0, 0}, {800, 600}, {9000, 600}}) {
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        SCOPED_TRACE(size);
        const CommandResult run = Render("--ops " + size);
        ASSERT_EQ(run.status, 0) << run.err;
        std::string expected;
        for (const std::string &line : PatternOpTexts(CollectPattern(width, height))) {
            expected += line + "\n";
        }
        EXPECT_EQ(run.out, expected);
    }

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

TEST_F(RenderCommand, HelpDescribesBothFormsAndVersionNamesTheRelease)
{
    const CommandResult help = Render("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("WIDTHxHEIGHT -o FILE.png"), std::string::npos);
    EXPECT_NE(help.out.find("--ops WIDTHxHEIGHT"), std::string::npos);
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    EXPECT_EQ(help.err, "");

    const CommandResult version = Render("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quorvane-render " QUORVANE_VERSION "\n");
    EXPECT_EQ(version.err, "");
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

// A size limit or a full device fails the write: in the last flush for a small image, inside libpng for a large one.
TEST_F(RenderCommand, KeepsAGoodFileWhenTheNewOneCannotBeFinished)
{
    ASSERT_EQ(Render("64x48 -o out.png").status, 0);
    const std::string good = Slurp(dir_ / "out.png");
    // The limit binds the command alone: its stderr goes through a pipe.
    const std::string limited = "trap '' XFSZ; (ulimit -f 0; exec \"$R\" ";
    for (const auto &[command, error] : {
             std::pair{limited + "8x8 -o out.png) 2>&1 | cat >&2", "'out.png' failed: File too large"},
             {limited + "4000x3000 -o out.png) 2>&1 | cat >&2", "'out.png' failed: File too large"},
             {"\"$R\" 4000x3000 -o /dev/full", "'/dev/full' failed: No space left on device"},
         }) {
        SCOPED_TRACE(command);
        const CommandResult run = Run(command);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "quorvane-render: writing " + std::string(error) + "\n");
        EXPECT_EQ(Slurp(dir_ / "out.png"), good);
        EXPECT_EQ(Files(), std::vector<std::string>{"out.png"}) << "left a temporary file behind";
    }

    EXPECT_EQ(Render("0x0 -o out.png").status, 2);
    EXPECT_EQ(Slurp(dir_ / "out.png"), good);
}

// Each kind of output name, as careful tools treat it. Afterwards "look" shows,
// a line each, a link and its target, a FIFO, or a file's mode, owner and
// whether it holds a PNG. Rows planted by another user need root to play it.
TEST_F(RenderCommand, TreatsEachKindOfOutputNameAsCarefulToolsDo)
{
    const std::string look = "look() { for name; do if [ -L $name ]; then echo $name '->' $(readlink $name); "
                             "elif [ -p $name ]; then echo $name fifo; elif [ -f $name ]; then echo $name "
                             "$(stat -c %a $name) $([ -O $name ] && echo mine || echo other) "
                             "$(head -c 4 $name | tail -c 3); fi; done; }";
    const size_t nameLimit = static_cast<size_t>(pathconf(dir_.c_str(), _PC_NAME_MAX));
    const std::string longName = std::string(nameLimit - 4, 'n') + ".png";
    const std::string sticky = "mkdir -m 1777 sticky; chown --reference=. sticky; ";
    const std::string planted = "it is another user's name in sticky world-writable folder 'sticky', which is not "
                                "followed or written";
    struct Row {
        const char *what;
        const char *scene;        // commands run as the command's user
        std::string name;         // the output name, and what follows it on the command line
        std::string after;        // what look says afterwards of the names that open its lines
        std::string error = "";   // with status 2, the line on stderr after "cannot write 'NAME': "
        std::string planted = ""; // commands run first, as another user
    };
    const Row rows[] = {
        {"a new file", "", "out.png", "out.png 644 mine PNG\n"},
        {"a file keeps its mode", "echo old >out.png; chmod 640 out.png", "out.png", "out.png 640 mine PNG\n"},
        {"a read-only file", "echo old >out.png; chmod 444 out.png", "out.png", "out.png 444 mine ld\n",
         "you may not write to this file"},
        {"a file with a second hard link", "echo old >out.png; ln out.png other.png", "out.png",
         "out.png 644 mine PNG\nother.png 644 mine PNG\n"},
        {"another user's writable file", "", "out.png", "out.png 666 other PNG\n", "",
         "echo old >out.png; chmod 666 out.png"},
        {"a writable file in a folder the user may not add to", "", "ro/out.png", "ro/out.png 666 other PNG\n", "",
         "mkdir ro; echo old >ro/out.png; chmod 666 ro/out.png"},
        {"a symbolic link", "echo old >real.png; ln -s real.png out.png", "out.png",
         "out.png -> real.png\nreal.png 644 mine PNG\n"},
        {"a dangling link", "ln -s real.png out.png", "out.png", "out.png -> real.png\nreal.png 644 mine PNG\n"},
        {"a chain of 41 links, one more than the kernel follows",
         "echo old >real.png; ln -s real.png l0; for i in $(seq 40); do ln -s l$((i - 1)) l$i; done", "l40",
         "real.png 644 mine ld\n", "too many levels of symbolic links"},
        {"another user's link in a sticky world-writable folder", "echo old >mine.png", "sticky/out.png",
         "mine.png 644 mine ld\n", planted, sticky + "ln -s ../mine.png sticky/out.png"},
        {"another user's file in a sticky world-writable folder", "", "sticky/out.png",
         "sticky/out.png 666 other ld\n", planted, sticky + "echo old >sticky/out.png; chmod 666 sticky/out.png"},
        {"a FIFO", "mkfifo out.png; timeout 30 cat out.png >got &", "out.png", "out.png fifo\ngot 644 mine PNG\n"},
        {"standard output as -", "", "- | cat >got", "got 644 mine PNG\n"},
        {"standard output by name, a pipe", "", "/dev/stdout | cat >got", "got 644 mine PNG\n"},
        {"a folder", "mkdir out.png", "out.png", "", "it is a folder"},
        {"a missing folder", "", "missing/dir/out.png", "", "folder 'missing/dir' does not exist"},
        {"a read-only folder", "mkdir ro; chmod 555 ro", "ro/out.png", "", "you may not create files in folder 'ro'"},
        {"the longest name", "", longName, longName + " 644 mine PNG\n"},
        {"a name too long", "", "n" + longName, "",
         "the file name is " + std::to_string(nameLimit + 1) + " bytes long, more than the " +
             std::to_string(nameLimit) + " this folder allows"},
    };
    bool skipped = false;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        if (!row.planted.empty() && geteuid() != 0) {
            skipped = true;
            continue;
        }
        MakeFolder();
        if (!row.planted.empty()) {
            ASSERT_EQ(Run(row.planted, true).status, 0);
        }
        std::string looked;
        for (size_t line = 0; line < row.after.size(); line = row.after.find('\n', line) + 1) {
            looked.append(" ").append(row.after, line, row.after.find(' ', line) - line);
        }
        const CommandResult run = Run(look + "\n" + row.scene + "\n\"$R\" 8x8 -o " + row.name +
                                      "\nstatus=$?; wait; look" + looked + "; exit $status");
        EXPECT_EQ(run.status, row.error.empty() ? 0 : 2);
        EXPECT_EQ(run.out, row.after);
        const std::string name = row.name.substr(0, row.name.find(' '));
        EXPECT_EQ(run.err, row.error.empty() ? "" : "quorvane-render: cannot write '" + name + "': " + row.error + "\n");
        for (const auto &entry : fs::recursive_directory_iterator(dir_)) {
            EXPECT_NE(entry.path().filename().string()[0], '.') << "a temporary file was left behind";
        }
    }
    if (skipped) {
        GTEST_SKIP() << "rows with a name planted by another user need the tests to run as root";
    }
}

// The temporary file is there from the start of a write, and the largest
// render takes seconds, so the signal always arrives mid-write.
TEST_F(RenderCommand, AnInterruptLeavesTheTargetAsItWas)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const pid_t render =
            StartScript("cd '" + dir_.string() + "' && echo old >out.png && exec " + Program() + " 32767x32767 -o out.png");
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
        // Killed by the signal, not exiting with 128 + it, so a shell stops a loop.
        EXPECT_EQ(WaitFor(render), 256 + signal);
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
    EXPECT_TRUE(watched.out.ends_with("\r\033[K")) << "the line is cleared at the end";

    const CommandResult unwatched = Run("\"$R\" 6000x6000 -o -" + slowReader);
    EXPECT_EQ(unwatched.status, 0);
    EXPECT_EQ(unwatched.err, "");
}

} // namespace
