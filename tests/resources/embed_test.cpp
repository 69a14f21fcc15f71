// The resource build step refuses what the program can't use, naming the resource; the
// bitmap drawing program makes the committed bitmaps again.
#include <gtest/gtest.h>

#include "support/scratch.h"

#include <cstdio>
#include <sys/wait.h>

using namespace vela::test;

namespace {

struct Result {
    int status;
    std::string output;
};

Result run(const std::string &command) {
    Result r{-1, ""};
    FILE *p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) r.output.append(buf, n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// A BMP file: 54-byte header and zeroed rows.
void writeBmp(const std::string &path, int width, int height, int bitCount) {
    size_t stride = ((size_t)width * bitCount + 31) / 32 * 4, bits = stride * (height < 0 ? -height : height);
    std::vector<unsigned char> b(54 + bits, 0);
    auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = (unsigned char)(v >> (8 * i)); };
    b[0] = 'B', b[1] = 'M';
    put32(2, (uint32_t)b.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, (uint32_t)width);
    put32(22, (uint32_t)height);
    b[26] = 1;
    b[28] = (unsigned char)bitCount;
    std::ofstream(path, std::ios::binary).write((const char *)b.data(), (std::streamsize)b.size());
}

class Embed : public ::testing::Test {
protected:
    ScratchDir dir;
    Result embed(const std::string &rc, const std::string &required = "1001 2001") {
        std::ofstream(dir / "test.rc") << rc;
        return run(std::string(EMBED_RESOURCES) + " " + (dir / "test.rc") + " " + (dir / "out.cpp") + " " + required);
    }
};

TEST_F(Embed, GoodScriptBecomesRegisteredDibs) {
    writeBmp(dir / "a.bmp", 512, 512, 24);
    Result r = embed("// bitmaps\n#pragma code_page(932)\n1001 BITMAP \"a.bmp\"\n/* two\nlines */ 2001 BITMAP DISCARDABLE a.bmp\n"
                  "1002 MENU\nBEGIN\n POPUP \"test\"\n BEGIN\n  MENUITEM \"x\", 1003\n END\nEND\n");
    ASSERT_EQ(r.status, 0) << r.output;
    auto out = readFile(dir / "out.cpp");
    std::string text(out.begin(), out.end());
    EXPECT_NE(text.find("registerResource(2, 1001, bitmap1001, sizeof bitmap1001 - 1)"), std::string::npos);
    EXPECT_NE(text.find("registerResource(2, 2001, bitmap2001, sizeof bitmap2001 - 1)"), std::string::npos);
    EXPECT_EQ(text.find("1002"), std::string::npos) << "menus are not embedded";
    // The DIB starts with the info header (40 = octal 50), not the file header.
    EXPECT_NE(text.find("bitmap1001[] =\n    \"\\50\\0\\0\\0\\0\\2"), std::string::npos);
}

TEST_F(Embed, UnusableBitmapsFailNamingTheResource) {
    writeBmp(dir / "small.bmp", 256, 256, 24);
    writeBmp(dir / "eight.bmp", 512, 512, 8);
    writeBmp(dir / "topdown.bmp", 512, -512, 24);
    writeBmp(dir / "good.bmp", 512, 512, 24);
    std::ofstream(dir / "text.bmp") << "not a bitmap at all, just text";
    struct Case {
        std::string line, expect;
    } cases[] = {
        {"1001 BITMAP \"small.bmp\"", "test.rc:1: error: bitmap 1001 (small.bmp): not a 24-bit 512 x 512 BI_RGB bitmap (header 40 bytes, 256 x 256"},
        {"1001 BITMAP \"eight.bmp\"", "bitmap 1001 (eight.bmp): not a 24-bit 512 x 512 BI_RGB bitmap (header 40 bytes, 512 x 512, 8 bits"},
        {"1001 BITMAP \"topdown.bmp\"", "bitmap 1001 (topdown.bmp): not a 24-bit 512 x 512"},
        {"1001 BITMAP \"text.bmp\"", "bitmap 1001 (text.bmp): not a BMP file"},
        {"1001 BITMAP \"gone.bmp\"", "bitmap 1001 (gone.bmp): cannot open"},
        {"1001 BITMAP \"good.bmp\"\n1001 BITMAP \"good.bmp\"", "test.rc:2: error: bitmap 1001: id already used on line 1"},
        {"1001 BITMAP \"good.bmp\"", "bitmap 2001 is missing"},
        {"beach BITMAP \"good.bmp\"", "bitmap 'beach': only integer ids"},
    };
    for (const Case &c : cases) {
        Result r = embed(c.line);
        EXPECT_EQ(r.status, 1) << c.line;
        EXPECT_NE(r.output.find(c.expect), std::string::npos) << c.line << "\n" << r.output;
        EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    }
}

TEST(DrawBitmaps, MakesTheCommittedBitmapsAgain) {
    ScratchDir dir;
    Result r = run(std::string(DRAW_BITMAPS) + " " + dir.path());
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char *name : {"beach.bmp", "face.bmp"}) {
        auto made = readFile(dir / name), committed = readFile(std::string(VELA_SOURCE_DIR) + "/resources/" + name);
        ASSERT_EQ(made.size(), committed.size()) << name;
        ASSERT_TRUE(std::equal(made.begin(), made.begin() + 54, committed.begin())) << name << ": headers";
        // Floating point may round a channel differently under other compiler options.
        int off = 0;
        for (size_t i = 54; i < made.size(); ++i) off += std::abs(made[i] - committed[i]) > 1;
        EXPECT_EQ(off, 0) << name;
    }
}

}  // namespace
