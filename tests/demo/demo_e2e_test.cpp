// The demo end to end: the real program on the private Xvfb, its trace through a pipe, its
// pixels from the screen, real pointer input through XTest, and GL state read back by a
// probe build of the same class.
#include <gtest/gtest.h>

#include "support/demo_frame.h"
#include "support/display.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <unistd.h>

using namespace vela::test;
using namespace std::chrono_literals;

namespace {

using Lines = std::vector<std::string>;

std::string tempDir() {
    char pattern[] = "/tmp/vela-demo-XXXXXX";
    return mkdtemp(pattern);
}

class Demo {
public:
    explicit Demo(const std::string &program = "vela")
        : drive(tempDir()), proc({bin(program)}, {{"VELA_DRIVE_D", drive}}) {
        d = openDisplay();
        if (!proc.waitLine("system finish onDraw")) return;
        if (auto w = findWindow(d, "Vertex Shader")) win = *w;
        settle();
    }
    ~Demo() {
        if (proc.running() && win) {
            closeWindow(d, win);
            proc.wait(10s);
        }
        std::filesystem::remove_all(drive);
    }
    // Lets the program answer everything sent so far; returns the lines that arrived.
    Lines settle() {
        XSync(d, False);
        proc.pump(250ms);
        Lines out(proc.lines().begin() + (long)proc.consumed(), proc.lines().end());
        proc.skipTo(proc.lines().size());
        return out;
    }
    Lines moveTo(int x, int y) {
        vela::test::moveTo(d, win, x, y);
        return settle();
    }
    Lines press(int button) {
        vela::test::press(d, button);
        return settle();
    }
    Lines release(int button) {
        vela::test::release(d, button);
        return settle();
    }
    Snapshot snapshot() { return Snapshot(d, win); }

    std::string drive;
    Process proc;
    Display *d = nullptr;
    Window win = 0;
};

int count(const Lines &lines, const std::string &line) {
    return (int)std::count(lines.begin(), lines.end(), line);
}

Lines withPrefix(const Lines &lines, const std::string &prefix) {
    Lines out;
    for (const auto &l : lines)
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}

// "%f" rows of a 4 x 4 matrix given in rows.
Lines matrixRows(const double m[4][4]) {
    Lines rows;
    for (int r = 0; r < 4; ++r) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "%f %f %f %f", m[r][0], m[r][1], m[r][2], m[r][3]);
        rows.push_back(buf);
    }
    return rows;
}

// Width in pixels of the run of `colour` through the centre row of viewport `v`.
int runWidth(const Snapshot &s, int v, Rgb colour) {
    int y = kCentres[v].y + 20;  // off the grid and x axis, which lie on the centre row
    int n = 0;
    for (int x = kCentres[v].x - 255; x < kCentres[v].x + 255; ++x)
        if (near(s.at(x, y), colour, 3)) ++n;
    return n;
}

// ---- The trace ---------------------------------------------------------------------------

TEST(Demo, StartupTraceInOrderThenNothingBeforeTheFirstPaint) {
    Demo app;
    ASSERT_NE(app.win, 0u) << app.proc.stderrText();
    const Lines &l = app.proc.lines();
    // The extensions line (some 8 KB) is checked apart: std::regex recurses per character.
    ASSERT_GE(l.size(), 2u);
    EXPECT_EQ(l[1].rfind("GL_EXTENSIONS: ", 0), 0u) << l[1];
    EXPECT_NE(l[1].find("GL_ARB_vertex_program"), std::string::npos);
    std::vector<std::regex> expected = {
        std::regex("Vela Boot"), std::regex("(checked above)"),
        std::regex("GL_VERSION: .+"), std::regex("GL_REBDER: .+"), std::regex("GL_VENDOR: .+"),
        std::regex("start onInit"), std::regex("onInit")};
    for (int load = 0; load < 2; ++load) {
        for (const char *line : {"bm w size 512", "bm h size 512", "all size 1048576", "all size per bit 32",
                                 "ret 512"})
            expected.emplace_back(line);
        expected.emplace_back("image ptr ori -?[0-9]+");
        if (load == 0) expected.emplace_back("image ptr -?[0-9]+");
    }
    expected.emplace_back("system onDraw");
    ASSERT_GE(l.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        if (i == 1) continue;
        EXPECT_TRUE(std::regex_match(l[i], expected[i])) << "line " << i << ": " << l[i];
    }
    EXPECT_EQ(app.proc.stderrText(), "");
}

TEST(Demo, OnePaintTracesFourScenesBetweenTheSystemLines) {
    Demo app;
    ASSERT_NE(app.win, 0u);
    const Lines &all = app.proc.lines();
    auto first = std::find(all.begin(), all.end(), "system onDraw");
    auto last = std::find(first, all.end(), "system finish onDraw");
    ASSERT_NE(last, all.end());
    Lines paint(first, last + 1);

    const double c = std::cos(M_PI / 4), s = std::sin(M_PI / 4);
    const double rotateThenTranslate[4][4] = {{c, 0, s, s}, {0, 1, 0, 0}, {-s, 0, c, c}, {0, 0, 0, 1}};
    const double translateThenRotate[4][4] = {{c, 0, s, 0}, {0, 1, 0, 0}, {-s, 0, c, 1}, {0, 0, 0, 1}};
    Lines scene = {"0 1 2 3 ", "4 5 6 7 ", "1 5 6 2 ", "4 0 3 7 ", "4 5 1 0 ", "3 2 6 7 "};
    for (const auto &rows : {matrixRows(rotateThenTranslate), matrixRows(translateThenRotate)})
        scene.insert(scene.end(), rows.begin(), rows.end());
    Lines expected = {"system onDraw", "onDraw"};
    for (int v = 0; v < 4; ++v) expected.insert(expected.end(), scene.begin(), scene.end());
    expected.push_back("system finish onDraw");
    EXPECT_EQ(paint, expected);
    EXPECT_EQ(scene[6], "0.707107 0.000000 0.707107 0.707107");
    EXPECT_EQ(scene[8], "-0.707107 0.000000 0.707107 0.707107");
}

// ---- The picture -------------------------------------------------------------------------

TEST(Demo, FourViewportsShowTheFrontFaceWithGridAndAxesOverIt) {
    Demo app;
    ASSERT_NE(app.win, 0u);
    Snapshot s = app.snapshot();
    ASSERT_EQ(s.width(), 1008);
    ASSERT_EQ(s.height(), kClientHeight);
    EXPECT_TRUE(near(s.at(1000, 300), kBackground, 1)) << str(s.at(1000, 300));
    EXPECT_TRUE(near(s.at(600, 580), kBackground, 1)) << str(s.at(600, 580));
    for (int v = 0; v < 4; ++v) {
        Centre c = kCentres[v];
        SCOPED_TRACE("viewport " + std::to_string(v));
        // The front face at distance 450 spans about +-67 pixels around the centre.
        for (auto [dx, dy] : {std::pair{30, 30}, {-40, 25}, {50, -45}, {-55, -50}})
            EXPECT_TRUE(near(s.at(c.x + dx, c.y + dy), kFront, 2)) << str(s.at(c.x + dx, c.y + dy));
        EXPECT_TRUE(near(s.at(c.x + 90, c.y + 30), kBackground, 1)) << "outside the cube";
        int faceWidth = runWidth(s, v, kFront);
        EXPECT_GE(faceWidth, 125);
        EXPECT_LE(faceWidth, 140);
        // The y axis runs up the middle over the face; the grid, seen edge on, and the x
        // axis lie across it.
        int axisOverFace = 0, gridAcross = 0;
        for (int x = c.x - 3; x <= c.x + 3; ++x) axisOverFace += near(s.at(x, c.y - 30), kTop, 2);
        for (int y = c.y - 3; y <= c.y + 3; ++y) gridAcross += near(s.at(c.x + 40, y), kTop, 2);
        EXPECT_GE(axisOverFace, 1) << "the y axis over the front face";
        EXPECT_GE(gridAcross, 1) << "the grid line across the face";
    }
}

// ---- Drags -------------------------------------------------------------------------------

TEST(Demo, RotationDragTraceIsTravelFromThePressPoint) {
    Demo app;
    ASSERT_NE(app.win, 0u);
    app.moveTo(100, 100);
    EXPECT_EQ(app.press(1), (Lines{"mouse down 100 100"}));
    Lines moved = app.moveTo(130, 90);
    EXPECT_EQ(withPrefix(moved, "mouse"), (Lines{"mouse move 130 90"}));
    EXPECT_EQ(withPrefix(moved, "delta"), (Lines{"delta 30 -10"}));
    EXPECT_EQ(count(moved, "system onDraw"), 1);
    moved = app.moveTo(140, 95);
    EXPECT_EQ(withPrefix(moved, "delta"), (Lines{"delta 40 -5"})) << "not accumulated move to move";
    EXPECT_EQ(withPrefix(app.release(1), "mouse"), (Lines{"mouse up 140 95"}));
    Lines idle = app.moveTo(300, 300);
    EXPECT_EQ(idle, Lines{}) << "moves without a drag print nothing and paint nothing";
}

TEST(Demo, ZoomDragTracesHorizontalAndVerticalTravel) {
    Demo app;
    ASSERT_NE(app.win, 0u);
    app.moveTo(200, 50);
    EXPECT_EQ(app.press(3), (Lines{"mouse down 200 50"}));
    Lines moved = app.moveTo(150, 80);
    EXPECT_EQ(withPrefix(moved, "mouse"), (Lines{"mouse move 150 80"}));
    EXPECT_EQ(withPrefix(moved, "delta"), (Lines{"delta -50 30"}));
    EXPECT_EQ(count(moved, "system onDraw"), 1);
    app.release(3);
}

TEST(Demo, PressAndReleaseWithoutMoveChangeNothing) {
    Demo app;
    ASSERT_NE(app.win, 0u);
    app.moveTo(400, 400);
    EXPECT_EQ(app.press(1), (Lines{"mouse down 400 400"}));
    EXPECT_EQ(app.release(1), (Lines{"mouse up 400 400"})) << "no repaint either";
}

TEST(Demo, RightPressDuringLeftDragMovesTheMeasuringPoint) {
    Demo app;
    ASSERT_NE(app.win, 0u);
    app.moveTo(100, 100);
    app.press(1);
    app.moveTo(150, 120);
    app.moveTo(400, 300);
    EXPECT_EQ(app.press(3), (Lines{"mouse down 400 300"}));
    Lines moved = app.moveTo(410, 290);
    EXPECT_EQ(withPrefix(moved, "delta"), (Lines{"delta 10 -10"})) << "rotation, from the right press";
    // Any release ends the drag, while the other button is still held.
    EXPECT_EQ(withPrefix(app.release(3), "mouse"), (Lines{"mouse up 410 290"}));
    EXPECT_EQ(app.moveTo(420, 280), Lines{});
    app.release(1);
}

TEST(Demo, MiddleDragRotatesAndEndsOnItsRelease) {
    Demo app;
    ASSERT_NE(app.win, 0u);
    app.moveTo(300, 400);
    app.press(2);
    EXPECT_EQ(withPrefix(app.moveTo(390, 400), "delta"), (Lines{"delta 90 0"}));
    Snapshot s = app.snapshot();
    EXPECT_TRUE(near(s.at(kCentres[0].x + 30, kCentres[0].y + 30), kRight, 2))
        << str(s.at(kCentres[0].x + 30, kCentres[0].y + 30));
    EXPECT_EQ(withPrefix(app.release(2), "mouse"), (Lines{"mouse up 390 400"}));
    EXPECT_EQ(app.moveTo(300, 300), Lines{});
}

TEST(Demo, DragsTurnTheCubeToTheSideTopAndBottomFaces) {
    Demo app;
    ASSERT_NE(app.win, 0u);
    auto faceAfterDrag = [&](int dx, int dy) {
        app.moveTo(500, 300);
        app.press(1);
        app.moveTo(500 + dx, 300 + dy);
        app.release(1);
        Snapshot s = app.snapshot();
        return s.at(kCentres[1].x + 30, kCentres[1].y + 30);
    };
    Rgb c = faceAfterDrag(90, 0);
    EXPECT_TRUE(near(c, kRight, 2)) << "face at x = +50 turned to the camera " << str(c);
    c = faceAfterDrag(0, 90);
    EXPECT_TRUE(near(c, kBottom, 2)) << "dragging down shows the bottom face " << str(c);
    c = faceAfterDrag(0, -90);
    EXPECT_TRUE(near(c, kTop, 2)) << "dragging up shows the top face " << str(c);
}

TEST(Demo, ZoomDragChangesTheCubeSizeAsTheDistanceSays) {
    Demo app;
    ASSERT_NE(app.win, 0u);
    int before = runWidth(app.snapshot(), 0, kFront);
    app.moveTo(300, 400);
    app.press(3);
    app.moveTo(500, 400);  // dragZoom 200: the eye 300 away, the front face 250
    int nearer = runWidth(app.snapshot(), 0, kFront);
    app.moveTo(100, 400);  // dragZoom -200: the eye 700 away, the front face 650
    int farther = runWidth(app.snapshot(), 0, kFront);
    app.release(3);
    // Width is proportional to 1 / distance of the front face.
    EXPECT_NEAR(nearer, before * 450.0 / 250.0, 4);
    EXPECT_NEAR(farther, before * 450.0 / 650.0, 4);
}

TEST(Demo, MovesFasterThanPaintsAreCoalesced) {
    Demo app;
    ASSERT_NE(app.win, 0u);
    app.moveTo(200, 400);
    app.press(1);
    for (int i = 1; i <= 40; ++i) vela::test::moveTo(app.d, app.win, 200 + i, 400);
    Lines lines = app.settle();
    app.release(1);
    int paints = count(lines, "system onDraw");
    EXPECT_GE(paints, 1);
    EXPECT_LT(paints, 40) << "each paint shows the newest travel, queued moves are merged";
    ASSERT_FALSE(withPrefix(lines, "delta").empty());
    EXPECT_EQ(withPrefix(lines, "delta").back(), "delta 40 0");
}

// ---- GL state, read back ------------------------------------------------------------------

TEST(Demo, GlStateAfterInitAndBetweenFrames) {
    Demo app("demo_probe");
    ASSERT_NE(app.win, 0u) << app.proc.stderrText();
    Lines probe = withPrefix(app.proc.lines(), "probe");
    auto has = [&](const std::string &l) { return std::find(probe.begin(), probe.end(), l) != probe.end(); };
    auto texture = [&](const std::string &name) {
        for (const auto &l : probe)
            if (l.rfind("probe " + name + " ", 0) == 0) return l.substr(l.find(" mag "));
        return std::string();
    };
    // GL_NEAREST 0x2600, GL_LINEAR 0x2601, GL_REPEAT 0x2901, GL_RGBA 0x1908
    EXPECT_EQ(texture("texture0"), " mag 0x2600 min 0x2600 wrap 0x2901 0x2901 size 512 512 format 0x1908");
    EXPECT_EQ(texture("texture1"), " mag 0x2601 min 0x2600 wrap 0x2901 0x2901 size 512 512 format 0x1908");
    EXPECT_TRUE(has("probe light0 position -0.3 0 1 0"));

    app.proc.pump(100ms);
    XClearArea(app.d, app.win, 0, 0, 0, 0, True);  // a second frame
    XSync(app.d, False);
    ASSERT_TRUE(app.proc.waitLine("probe matrix mode 0x1700", false, 10s));
    probe = withPrefix(app.proc.lines(), "probe active texture");
    ASSERT_GE(probe.size(), 4u);
    EXPECT_EQ(probe[0], "probe active texture before frame 0");
    EXPECT_EQ(probe[1], "probe active texture after frame 1");
    EXPECT_EQ(probe[2], "probe active texture before frame 1") << "unit 1 stays active between frames";
    EXPECT_EQ(probe[3], "probe active texture after frame 1");

    // The frustum of +-0.421898991, +-0.267806977, near 1, far 1000.
    const double r = 0.421898991, t = 0.267806977, n = 1, f = 1000;
    const double expected[16] = {n / r, 0, 0, 0, 0, n / t, 0, 0, 0, 0, -(f + n) / (f - n), -1,
                                 0, 0, -2 * f * n / (f - n), 0};
    std::string line;
    for (const auto &l : app.proc.lines())
        if (l.rfind("probe projection ", 0) == 0) line = l;
    std::istringstream in(line.substr(17));
    for (int i = 0; i < 16; ++i) {
        double v = NAN;
        in >> v;
        EXPECT_NEAR(v, expected[i], 1e-5 * std::max(1.0, std::abs(expected[i]))) << "element " << i;
    }
}

// ---- Faults --------------------------------------------------------------------------------

TEST(Demo, MissingProfileIsOneLineAndTheProgramKeepsPainting) {
    std::string drive = tempDir();
    Process p({bin("vela")}, {{"VELA_DRIVE_D", drive}, {"MESA_EXTENSION_OVERRIDE", "-GL_ARB_fragment_program"}});
    ASSERT_TRUE(p.waitLine("system finish onDraw")) << p.stderrText();
    std::string err = p.stderrText();
    EXPECT_NE(err.find("GL_ARB_fragment_program"), std::string::npos) << err;
    EXPECT_EQ(err.find("GL_ARB_vertex_program"), std::string::npos) << err;
    Display *d = openDisplay();
    auto w = findWindow(d, "Vertex Shader");
    ASSERT_TRUE(w);
    XClearArea(d, *w, 0, 0, 0, 0, True);
    XSync(d, False);
    EXPECT_TRUE(p.waitLine("system finish onDraw")) << "paints again";
    closeWindow(d, *w);
    EXPECT_EQ(p.wait(10s), 0);
    std::filesystem::remove_all(drive);
}

TEST(Demo, MissingMultitextureEntryPointsAreReportedAndSkipped) {
    std::string drive = tempDir();
    Process p({bin("vela")}, {{"VELA_DRIVE_D", drive}, {"VELA_GL_HIDE", "glActiveTexture,glMultiTexCoord2fv"}});
    ASSERT_TRUE(p.waitLine("system finish onDraw")) << p.stderrText();
    std::string err = p.stderrText();
    EXPECT_NE(err.find("glActiveTexture"), std::string::npos) << err;
    EXPECT_NE(err.find("glMultiTexCoord2fv"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    Display *d = openDisplay();
    auto w = findWindow(d, "Vertex Shader");
    ASSERT_TRUE(w);
    Snapshot s(d, *w);
    EXPECT_TRUE(near(s.at(kCentres[0].x + 30, kCentres[0].y + 30), kFront, 2)) << "the scene is still drawn";
    closeWindow(d, *w);
    EXPECT_EQ(p.wait(10s), 0);
    std::filesystem::remove_all(drive);
}

}  // namespace
