// The program at the edges of its process, end to end: closed standard streams, a trace
// reader that goes away or a trace that fills the disk, a GL that can make no context, and
// what someone else put at the copies' paths first.
#include <gtest/gtest.h>

#include "support/scratch.h"
#include "support/demo_frame.h"
#include "support/display.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <climits>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace vela::test;
using namespace std::chrono_literals;

namespace {

std::string fdTarget(int pid, int fd) {
    char link[PATH_MAX] = {};
    std::string path = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
    ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
    return n > 0 ? std::string(link, (size_t)n) : "(closed)";
}

// Both copies whole, as after a normal start-up.
void expectWholeCopies(const ScratchDir &drive) {
    EXPECT_EQ(readFile(drive / "cap.ppm").size(), 786447u);
    EXPECT_EQ(readFile(drive / "gl_load_tex.bmp").size(), 1048634u);
}

// The window shows the frame, follows a rotation drag (the right face turns to the camera)
// and closes with status 0: the program runs normally, whatever became of its trace.
void expectRunsNormally(Process &p) {
    Display *d = openDisplay();
    auto w = findWindow(d, "Vertex Shader");
    ASSERT_TRUE(w) << p.stderrText();
    Centre c = kCentres[0];
    auto front = [&] { return Snapshot(d, *w).at(c.x + 30, c.y + 30); };
    Rgb seen{};
    for (int i = 0; i < 100 && !near(seen = front(), kFront, 2); ++i) p.pump(100ms);
    EXPECT_TRUE(near(seen, kFront, 2)) << "the first frame " << str(seen);
    moveTo(d, *w, 300, 400);
    press(d, 1);
    moveTo(d, *w, 390, 400);
    release(d, 1);
    for (int i = 0; i < 50 && !near(seen = front(), kRight, 2); ++i) p.pump(100ms);
    EXPECT_TRUE(near(seen, kRight, 2)) << "after a 90-pixel drag " << str(seen);
    closeWindow(d, *w);
    EXPECT_EQ(p.wait(10s), 0);
}

TEST(ProcessEdges, ClosedStandardStreamsAreOpenedOnTheNullDevice) {
    // `vela <&- >&-` with the errors on a pipe, then all three closed.
    for (bool closeStderr : {false, true}) {
        SCOPED_TRACE(closeStderr ? "0, 1 and 2 closed" : "0 and 1 closed");
        ScratchDir drive;
        Process p({bin("vela")}, {{"VELA_DRIVE_D", drive.path()}}, "", {true, true, closeStderr, ""});
        ASSERT_TRUE(findWindow(openDisplay(), "Vertex Shader")) << p.stderrText();
        for (int fd = 0; fd < (closeStderr ? 3 : 2); ++fd)
            EXPECT_EQ(fdTarget(p.pid(), fd), "/dev/null") << "descriptor " << fd;
        expectRunsNormally(p);
        expectWholeCopies(drive);
        EXPECT_EQ(p.stderrText(), "") << "nothing to report";
    }
}

TEST(ProcessEdges, TraceReaderGoingAwayCostsOnlyTheTrace) {
    // `vela | head -n 10`: the reader leaves in the middle of the first bitmap load.
    ScratchDir drive;
    Process p({bin("vela")}, {{"VELA_DRIVE_D", drive.path()}});
    ASSERT_TRUE(p.waitLine("all size 1048576")) << p.stderrText();
    p.closeStdout();
    expectRunsNormally(p);
    expectWholeCopies(drive);
    EXPECT_EQ(p.stderrText(),
              "vela: the trace can no longer be written to standard output (Broken pipe); it is dropped from here on\n");
}

TEST(ProcessEdges, TraceOnAFullDiskIsDroppedWithOneLine) {
    ScratchDir drive;
    Process p({bin("vela")}, {{"VELA_DRIVE_D", drive.path()}}, "", {false, false, false, "/dev/full"});
    expectRunsNormally(p);
    expectWholeCopies(drive);
    EXPECT_EQ(p.stderrText(), "vela: the trace can no longer be written to standard output (No space left on "
                              "device); it is dropped from here on\n");
}

TEST(ProcessEdges, NoGlDriverIsOneLineAndStatus1BeforeAnyPainting) {
    ScratchDir drive;
    Process p({bin("vela")}, {{"VELA_DRIVE_D", drive.path()}, {"LIBGL_DRIVERS_PATH", "/nonexistent"}});
    EXPECT_EQ(p.wait(30s), 1);
    // The GL library's own "libGL error:" lines aside, Vela and its layer say one thing.
    std::istringstream err(p.stderrText());
    std::vector<std::string> said;
    for (std::string line; std::getline(err, line);)
        if (line.rfind("libGL", 0) != 0) said.push_back(line);
    ASSERT_EQ(said.size(), 1u) << p.stderrText();
    EXPECT_EQ(said[0].rfind("vela: cannot create an OpenGL rendering context for the window: ", 0), 0u) << said[0];
    EXPECT_EQ(p.lines(), std::vector<std::string>{"Vela Boot"}) << "nothing after the context, no paint";
    EXPECT_FALSE(std::filesystem::exists(drive / "cap.ppm"));
}

// The line each bitmap load says about something at a copy's path that is not a file.
std::string refusal(const ScratchDir &drive, const std::string &name, const std::string &what) {
    return "vela: not writing d:/" + name + ": " + drive / name + " is " + what + ", not a regular file\n";
}

TEST(ProcessEdges, ALinkAtACopyPathIsNotFollowed) {
    ScratchDir drive, elsewhere;
    std::ofstream(elsewhere / "precious") << "precious";
    symlink((elsewhere / "precious").c_str(), (drive / "cap.ppm").c_str());
    Process p({bin("vela")}, {{"VELA_DRIVE_D", drive.path()}});
    expectRunsNormally(p);
    auto target = readFile(elsewhere / "precious");
    EXPECT_EQ(std::string(target.begin(), target.end()), "precious");
    EXPECT_EQ(readFile(drive / "gl_load_tex.bmp").size(), 1048634u) << "the other copy is written";
    const std::string line = refusal(drive, "cap.ppm", "a symbolic link");
    EXPECT_EQ(p.stderrText(), line + line) << "one line for each load";
}

TEST(ProcessEdges, ADanglingLinkAtACopyPathMakesNothingOutside) {
    ScratchDir drive, elsewhere;
    symlink((elsewhere / "made").c_str(), (drive / "gl_load_tex.bmp").c_str());
    Process p({bin("vela")}, {{"VELA_DRIVE_D", drive.path()}});
    expectRunsNormally(p);
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "made"));
    EXPECT_EQ(readFile(drive / "cap.ppm").size(), 786447u) << "the other copy is written";
    const std::string line = refusal(drive, "gl_load_tex.bmp", "a symbolic link");
    EXPECT_EQ(p.stderrText(), line + line);
}

TEST(ProcessEdges, AFifoAtACopyPathDoesNotHoldUpStartUp) {
    ScratchDir drive;
    ASSERT_EQ(mkfifo((drive / "cap.ppm").c_str(), 0600), 0);
    Process p({bin("vela")}, {{"VELA_DRIVE_D", drive.path()}});
    expectRunsNormally(p);
    struct stat st;
    ASSERT_EQ(lstat((drive / "cap.ppm").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "left as it was";
    const std::string line = refusal(drive, "cap.ppm", "a device or pipe");
    EXPECT_EQ(p.stderrText(), line + line);
}

}  // namespace
