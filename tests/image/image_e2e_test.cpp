// The bitmap loader end to end: the demo class on the private Xvfb loads both resources,
// the trace comes through a pipe, the debug copies land in the drive's folder and an
// independent reader (ImageMagick) reads them.
#include <gtest/gtest.h>

#include "support/display.h"
#include "support/scratch.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

using namespace vela::test;
using namespace std::chrono_literals;

namespace {

std::vector<unsigned char> commandOutput(const std::string &command, int *status) {
    std::vector<unsigned char> out;
    FILE *p = popen(command.c_str(), "r");
    if (!p) return out;
    unsigned char buf[65536];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.insert(out.end(), buf, buf + n);
    int s = pclose(p);
    *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return out;
}

// The source bitmap's pixels, top row first, red, green, blue.
std::vector<unsigned char> sourceRgb(const std::string &file) {
    auto bmp = readFile(sourceDir() + "/resources/" + file);
    std::vector<unsigned char> rgb(512 * 512 * 3);
    if (bmp.size() < 54 + rgb.size()) return {};
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const unsigned char *s = &bmp[54 + (size_t)(511 - y) * 1536 + x * 3];
            unsigned char *d = &rgb[((size_t)y * 512 + x) * 3];
            d[0] = s[2], d[1] = s[1], d[2] = s[0];
        }
    return rgb;
}

std::string hex(const unsigned char *p, int n) {
    std::string s;
    char b[3];
    for (int i = 0; i < n; ++i) std::snprintf(b, sizeof b, "%02x", p[i]), s += b;
    return s;
}

// The trace lines of one load, in order, starting at `from`; returns the index after them.
size_t expectLoadTrace(const std::vector<std::string> &lines, size_t from, const std::string &depth) {
    const char *prefixes[] = {"bm w size ", "bm h size ", "all size ", "all size per bit ", "ret ", "image ptr ori "};
    const std::string values[] = {"512", "512", "1048576", depth, "512"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_LT(from + i, lines.size());
        if (from + i >= lines.size()) return lines.size();
        const std::string &l = lines[from + i];
        EXPECT_EQ(l.rfind(prefixes[i], 0), 0u) << l;
        if (i < 5) EXPECT_EQ(l, prefixes[i] + values[i]);
        else EXPECT_NE(l.find_first_of("0123456789"), std::string::npos) << l;
    }
    return from + 6;
}

// Bits per pixel of the display's pixmaps at the root depth, as the program sees them.
// (The shared test connection stays open.)
std::string screenDepth() {
    Display *d = openDisplay();
    int depth = DefaultDepth(d, DefaultScreen(d)), count = 0, bits = depth;
    if (XPixmapFormatValues *f = XListPixmapFormats(d, &count)) {
        for (int i = 0; i < count; ++i)
            if (f[i].depth == depth) bits = f[i].bits_per_pixel;
        XFree(f);
    }
    return std::to_string(bits);
}

TEST(BitmapLoader, BothLoadsTraceAndLeaveTheSecondImageOnDisk) {
    ScratchDir drive;
    Process p({bin("image_probe")}, {{"VELA_DRIVE_D", drive.path()}});
    ASSERT_TRUE(p.waitLine("probe 2001", true)) << p.stderrText();
    const auto &l = p.lines();
    auto start = std::find(l.begin(), l.end(), "start onInit");
    ASSERT_NE(start, l.end());
    size_t i = expectLoadTrace(l, start - l.begin() + 1, screenDepth());
    ASSERT_LT(i, l.size());
    // The RGBA buffer is bottom row first: its first pixel is the image's bottom-left
    // (sand in 1001), its last row starts with the top-left (sky); every alpha is 255.
    auto beach = sourceRgb("beach.bmp"), face = sourceRgb("face.bmp");
    ASSERT_FALSE(beach.empty() || face.empty());
    auto corners = [](const std::vector<unsigned char> &rgb) {
        return hex(&rgb[(size_t)511 * 512 * 3], 3) + "ff " + hex(&rgb[0], 3) + "ff";
    };
    EXPECT_EQ(l[i], "probe 1001 " + corners(beach) + " opaque");
    i = expectLoadTrace(l, i + 1, screenDepth());
    ASSERT_LT(i, l.size());
    EXPECT_EQ(l[i], "probe 2001 " + corners(face) + " opaque");
    p.pump(200ms);
    EXPECT_EQ(p.stderrText(), "");

    auto ppm = readFile(drive / "cap.ppm"), bmp = readFile(drive / "gl_load_tex.bmp");
    EXPECT_EQ(ppm.size(), 786447u);
    EXPECT_EQ(bmp.size(), 1048634u);
    ASSERT_GE(ppm.size(), 15u);
    EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + 15), "P6\n512 512\n255\n");
    EXPECT_TRUE(std::equal(face.begin(), face.end(), ppm.begin() + 15)) << "the PPM holds resource 2001, top row first";
    // The BMP holds the RGBA buffer: bottom row first, red, green, blue, 255.
    ASSERT_EQ(bmp.size(), 1048634u);
    int wrong = 0;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const unsigned char *s = &face[((size_t)y * 512 + x) * 3], *b = &bmp[58 + ((size_t)(511 - y) * 512 + x) * 4];
            wrong += b[0] != s[0] || b[1] != s[1] || b[2] != s[2] || b[3] != 255;
        }
    EXPECT_EQ(wrong, 0);

    // An independent reader sees two 512 x 512 images, and the PPM's pixels are the source's.
    int status = -1;
    auto sizes = commandOutput("identify -format '%w %h\\n' " + (drive / "cap.ppm") + " " + (drive / "gl_load_tex.bmp"),
                               &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(std::string(sizes.begin(), sizes.end()), "512 512\n512 512\n");
    auto read = commandOutput("convert " + (drive / "cap.ppm") + " -depth 8 rgb:-", &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(read == face) << "ImageMagick read " << read.size() << " bytes";
    // In the PPM, the eyebrows lie near the top: ochre in the upper quarter.
    auto ochreRows = [&](int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < 512; ++x) {
                const unsigned char *px = &ppm[15 + ((size_t)y * 512 + x) * 3];
                n += px[0] == 191 && px[1] == 155 && px[2] == 79;
            }
        return n;
    };
    EXPECT_GT(ochreRows(64, 128), 1000) << "eyebrows near the top";
    EXPECT_EQ(ochreRows(420, 512), 0) << "nothing below the mouth";
}

TEST(BitmapLoader, UnwritableDriveLeavesTheCopiesOutAndTheProgramRunning) {
    ScratchDir dir;
    std::ofstream(dir / "plain") << "a regular file: nothing, not even root, makes a folder below it";
    Process p({bin("image_probe")}, {{"VELA_DRIVE_D", dir / "plain/d"}});
    auto loaded = p.waitLine("probe 2001", true);
    ASSERT_TRUE(loaded) << p.stderrText();
    EXPECT_NE(loaded->find(" opaque"), std::string::npos) << *loaded;
    ASSERT_TRUE(p.waitLine("system finish onDraw")) << "the program paints";
    p.pump(200ms);
    std::string err = p.stderrText();
    const std::string cause = ": The system cannot find the path specified. (error 3)\n";
    const std::string ppmLine = "vela: cannot write d:/cap.ppm (" + dir / "plain/d/cap.ppm)" + cause;
    const std::string bmpLine = "vela: cannot write d:/gl_load_tex.bmp (" + dir / "plain/d/gl_load_tex.bmp)" + cause;
    EXPECT_EQ(err, ppmLine + bmpLine + ppmLine + bmpLine);
    size_t traces = std::count_if(p.lines().begin(), p.lines().end(),
                                  [](const std::string &s) { return s.rfind("image ptr ori ", 0) == 0; });
    EXPECT_EQ(traces, 2u);

    Display *d = openDisplay();
    auto w = findWindow(d, "Vertex Shader");
    ASSERT_TRUE(w);
    Snapshot s(d, *w);
    EXPECT_TRUE(near(s.at(800, 100), Rgb{0, 179, 255}, 2)) << str(s.at(800, 100));
    EXPECT_TRUE(p.running());
    closeWindow(d, *w);
    EXPECT_EQ(p.wait(10s), 0);
}

// A real full disk: a 900 KB tmpfs of the program's own (a private user and mount
// namespace, so no privileges are needed) holds the PPM copy but not the BMP copy.
TEST(BitmapLoader, CopyCutShortByAFullDiskIsRemovedAndTheRestGoesOn) {
    if (std::system("unshare -Urm true 2>/dev/null") != 0) GTEST_SKIP() << "no user namespaces here";
    ScratchDir dir;
    const std::string script = "mount -t tmpfs -o size=900k vela-full \"$0\" && exec \"$1\"";
    Process p({"/usr/bin/unshare", "-Urm", "sh", "-c", script, dir.path(), bin("image_probe")},
              {{"VELA_DRIVE_D", dir.path()}});
    auto loaded = p.waitLine("probe 2001", true);
    ASSERT_TRUE(loaded) << p.stderrText();
    auto face = sourceRgb("face.bmp");
    auto corners = hex(&face[(size_t)511 * 512 * 3], 3) + "ff " + hex(&face[0], 3) + "ff";
    EXPECT_EQ(*loaded, "probe 2001 " + corners + " opaque") << "the returned pixels are whole";
    ASSERT_TRUE(p.waitLine("system finish onDraw")) << "the program paints";
    p.pump(200ms);
    const std::string bmpLine = "vela: cannot write d:/gl_load_tex.bmp (" + dir / "gl_load_tex.bmp" +
                                "): There is not enough space on the disk. (error 112); the incomplete copy was removed\n";
    EXPECT_EQ(p.stderrText(), bmpLine + bmpLine) << "one line for each load";
    // The tmpfs is seen through the program's own root.
    std::string inside = "/proc/" + std::to_string(p.pid()) + "/root" + dir.path();
    auto ppm = readFile(inside + "/cap.ppm");
    EXPECT_EQ(ppm.size(), 786447u);
    EXPECT_TRUE(ppm.size() == 786447u && std::equal(face.begin(), face.end(), ppm.begin() + 15)) << "the PPM whole";
    EXPECT_FALSE(std::filesystem::exists(inside + "/gl_load_tex.bmp"));
    EXPECT_TRUE(std::filesystem::exists(inside)) << "the folder is seen";
    p.kill();
}

TEST(BitmapLoader, UnknownIdIsOneLineAndANullResult) {
    ScratchDir drive;
    Process p({bin("image_probe"), "unknown"}, {{"VELA_DRIVE_D", drive.path()}});
    ASSERT_TRUE(p.waitLine("probe 4242 null")) << p.stderrText();
    p.pump(200ms);
    EXPECT_EQ(p.stderrText(), "vela: no bitmap resource 4242 (error 1814)\n");
    EXPECT_EQ(std::count_if(p.lines().begin(), p.lines().end(),
                            [](const std::string &s) { return s.rfind("bm w size", 0) == 0; }),
              0);
    EXPECT_FALSE(std::filesystem::exists(drive / "cap.ppm"));
    ASSERT_TRUE(p.waitLine("system finish onDraw"));
    EXPECT_TRUE(p.running());
    p.kill();
}

}  // namespace
