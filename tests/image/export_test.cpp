// The loader's pixel conversion and its PPM and BMP copies, byte for byte, without a window.
#include <gtest/gtest.h>

#include "image/BitmapExport.h"
#include "support/scratch.h"

#include <array>
#include <cstring>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vela::test;

namespace {

// An extracted image as GetDIBits delivers it: bottom row first, blue, green, red and a
// fourth byte that is not 255, with each pixel's colour made from its position.
struct Extracted {
    int width, height;
    std::vector<unsigned char> bgrx;
    Extracted(int w, int h) : width(w), height(h), bgrx((size_t)w * h * 4) {
        for (int y = 0; y < h; ++y)  // y counts from the top
            for (int x = 0; x < w; ++x) {
                unsigned char *p = &bgrx[((size_t)(h - 1 - y) * w + x) * 4];
                auto c = colour(x, y);
                p[0] = c[2], p[1] = c[1], p[2] = c[0], p[3] = (unsigned char)(x * 7 + y);
            }
    }
    static std::array<unsigned char, 3> colour(int x, int y) {
        return {(unsigned char)(x * 3 + 1), (unsigned char)(y * 5 + 2), (unsigned char)(x ^ y)};
    }
};

TEST(Conversion, RowsAndChannelsOfBothBuffers) {
    for (auto [w, h] : {std::pair{512, 512}, std::pair{300, 200}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        Extracted e(w, h);
        std::vector<unsigned char> rgba = e.bgrx, rgb((size_t)w * h * 3, 0xEE);
        convertPixels(rgba.data(), rgb.data(), w, h);
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                auto c = Extracted::colour(x, y);
                const unsigned char *t = &rgb[((size_t)y * w + x) * 3];            // top row first
                const unsigned char *b = &rgba[((size_t)(h - 1 - y) * w + x) * 4];  // bottom row first
                if (t[0] != c[0] || t[1] != c[1] || t[2] != c[2]) ++wrong;
                if (b[0] != c[0] || b[1] != c[1] || b[2] != c[2] || b[3] != 255) ++wrong;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(Conversion, PureRedAndTheTopLeftPixel) {
    const int w = 4, h = 3;
    std::vector<unsigned char> rgba(w * h * 4, 0x40), rgb(w * h * 3);
    // The top-left pixel is the first one of the last row GetDIBits delivers.
    unsigned char *topLeft = &rgba[(h - 1) * w * 4];
    topLeft[0] = 0x00, topLeft[1] = 0x00, topLeft[2] = 0xFF, topLeft[3] = 0x00;
    convertPixels(rgba.data(), rgb.data(), w, h);
    EXPECT_EQ(std::vector<unsigned char>(rgb.begin(), rgb.begin() + 3), (std::vector<unsigned char>{0xFF, 0, 0}));
    EXPECT_EQ(std::vector<unsigned char>(topLeft, topLeft + 4), (std::vector<unsigned char>{0xFF, 0, 0, 0xFF}));
    for (size_t i = 3; i < rgba.size(); i += 4) ASSERT_EQ(rgba[i], 255) << "byte " << i;
}

TEST(Headers, FileHeaderAndExtractionRecord) {
    static_assert(sizeof(BITMAPFILEHEADER) == 14 && sizeof(BITMAPINFOHEADER) == 40 && sizeof(RGBQUAD) == 4);
    for (auto [w, h] : {std::pair{512, 512}, std::pair{300, 200}}) {
        BITMAPFILEHEADER f;
        BITMAPINFO info;
        std::memset(&info, 0xAB, sizeof info);
        fillBmpHeaders(&f, &info, w, h);
        const DWORD size = (DWORD)(w * h * 4);
        // Copies: the record is packed, and EXPECT_EQ binds references to its arguments.
        EXPECT_EQ(WORD{f.bfType}, 0x4D42);
        EXPECT_EQ(DWORD{f.bfSize}, 58 + size);
        EXPECT_EQ(f.bfReserved1 | f.bfReserved2, 0);
        EXPECT_EQ(DWORD{f.bfOffBits}, 58u);
        EXPECT_EQ(info.bmiHeader.biSize, 40u);
        EXPECT_EQ(info.bmiHeader.biWidth, w);
        EXPECT_EQ(info.bmiHeader.biHeight, h);
        EXPECT_EQ(info.bmiHeader.biPlanes, 1);
        EXPECT_EQ(info.bmiHeader.biBitCount, 32);
        EXPECT_EQ(info.bmiHeader.biCompression, (DWORD)BI_RGB);
        EXPECT_EQ(info.bmiHeader.biSizeImage, size);
        EXPECT_EQ(info.bmiHeader.biXPelsPerMeter | info.bmiHeader.biYPelsPerMeter, 0);
        EXPECT_EQ(info.bmiHeader.biClrUsed | info.bmiHeader.biClrImportant, 0u);
        RGBQUAD zero{};
        EXPECT_EQ(std::memcmp(&info.bmiColors[0], &zero, 4), 0) << "the colour entry is zeros";
    }
}

class Copies : public ::testing::Test {
protected:
    ScratchDir dir;
    ScopedEnv drive{"VELA_DRIVE_D", dir.path()};
};

TEST_F(Copies, PpmAndBmpLayouts) {
    for (auto [w, h] : {std::pair{512, 512}, std::pair{300, 200}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        Extracted e(w, h);
        std::vector<unsigned char> rgba = e.bgrx, rgb((size_t)w * h * 3);
        // A pure red top-left pixel, to follow through all three buffers.
        unsigned char *topLeft = &rgba[(size_t)(h - 1) * w * 4];
        topLeft[0] = 0, topLeft[1] = 0, topLeft[2] = 0xFF;
        convertPixels(rgba.data(), rgb.data(), w, h);
        BITMAPFILEHEADER f;
        BITMAPINFO info;
        fillBmpHeaders(&f, &info, w, h);
        ASSERT_TRUE(writePpm("d:/cap.ppm", rgb.data(), w, h));
        ASSERT_TRUE(writeBmp("d:\\gl_load_tex.bmp", &f, &info, rgba.data()));

        auto ppm = readFile(dir / "cap.ppm");
        std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
        ASSERT_EQ(ppm.size(), header.size() + rgb.size());
        if (w == 512) {
            EXPECT_EQ(ppm.size(), 786447u);
        }
        EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + header.size()), header);
        EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), ppm.begin() + header.size()));
        EXPECT_EQ(ppm[header.size()], 0xFF);
        EXPECT_EQ(ppm[header.size() + 1] | ppm[header.size() + 2], 0);

        auto bmp = readFile(dir / "gl_load_tex.bmp");
        ASSERT_EQ(bmp.size(), 58u + (size_t)w * h * 4);
        if (w == 512) {
            EXPECT_EQ(bmp.size(), 1048634u);
        }
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(le32(bmp, 2), bmp.size());
        EXPECT_EQ(le32(bmp, 6), 0u);
        EXPECT_EQ(le32(bmp, 10), 58u);
        EXPECT_EQ(le32(bmp, 14), 40u);
        EXPECT_EQ((int32_t)le32(bmp, 18), w);
        EXPECT_EQ((int32_t)le32(bmp, 22), h);
        EXPECT_EQ(le16(bmp, 26), 1);
        EXPECT_EQ(le16(bmp, 28), 32);
        EXPECT_EQ(le32(bmp, 30), 0u);
        EXPECT_EQ(le32(bmp, 34), (uint32_t)(w * h * 4));
        for (size_t at = 38; at < 58; at += 4) EXPECT_EQ(le32(bmp, at), 0u) << "offset " << at;
        EXPECT_TRUE(std::equal(rgba.begin(), rgba.end(), bmp.begin() + 58)) << "the RGBA buffer byte for byte";
        size_t lastRow = 58 + (size_t)(h - 1) * w * 4;
        EXPECT_EQ(std::vector<unsigned char>(bmp.begin() + lastRow, bmp.begin() + lastRow + 4),
                  (std::vector<unsigned char>{0xFF, 0, 0, 0xFF}));
        for (size_t i = 58 + 3; i < bmp.size(); i += 4) ASSERT_EQ(bmp[i], 255) << "byte " << i;
    }
}

TEST_F(Copies, EachWriteReplacesTheFile) {
    std::vector<unsigned char> big(512 * 512 * 3, 1), rgba(300 * 200 * 4, 2), small(300 * 200 * 3, 3);
    ASSERT_TRUE(writePpm("d:/cap.ppm", big.data(), 512, 512));
    ASSERT_TRUE(writePpm("d:/cap.ppm", small.data(), 300, 200));
    EXPECT_EQ(readFile(dir / "cap.ppm").size(), 15u + small.size());
    BITMAPFILEHEADER f;
    BITMAPINFO info;
    std::vector<unsigned char> bigRgba(512 * 512 * 4, 4);
    fillBmpHeaders(&f, &info, 512, 512);
    ASSERT_TRUE(writeBmp("d:/gl_load_tex.bmp", &f, &info, bigRgba.data()));
    fillBmpHeaders(&f, &info, 300, 200);
    ASSERT_TRUE(writeBmp("d:/gl_load_tex.bmp", &f, &info, rgba.data()));
    EXPECT_EQ(readFile(dir / "gl_load_tex.bmp").size(), 58u + rgba.size());
}

// A copy that can't be written is one stderr line naming the program's path, the file it
// maps to and the system's reason, in the same words for both copies.
std::string failureLine(const std::string &path, const std::string &file, const std::string &cause,
                        const std::string &removal = "") {
    return "vela: cannot write " + path + " (" + file + "): " + cause + removal + "\n";
}

struct CopyFaults : ::testing::Test {
    std::vector<unsigned char> rgb = std::vector<unsigned char>(300 * 200 * 3),
                               rgba = std::vector<unsigned char>(300 * 200 * 4);
    BITMAPFILEHEADER f;
    BITMAPINFO info;
    CopyFaults() { fillBmpHeaders(&f, &info, 300, 200); }
    std::string ppm() { return attempt([&] { return writePpm("d:/cap.ppm", rgb.data(), 300, 200); }); }
    std::string bmp() { return attempt([&] { return writeBmp("d:/gl_load_tex.bmp", &f, &info, rgba.data()); }); }
    template <class Write> static std::string attempt(Write write) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(write());
        return testing::internal::GetCapturedStderr();
    }
};

TEST_F(CopyFaults, UnwritableDriveNamesBothPathsAndOneCause) {
    ScratchDir dir;
    std::ofstream(dir / "plain") << "x";
    ScopedEnv drive{"VELA_DRIVE_D", dir / "plain/below"};  // below a regular file: not even root can
    const std::string cause = "The system cannot find the path specified. (error 3)";
    EXPECT_EQ(ppm(), failureLine("d:/cap.ppm", dir / "plain/below/cap.ppm", cause));
    EXPECT_EQ(bmp(), failureLine("d:/gl_load_tex.bmp", dir / "plain/below/gl_load_tex.bmp", cause));
}

// Anyone may put something at a copy's path first: only a regular file is replaced; a
// link is not followed, a FIFO not waited on, and one line says what is there.
TEST_F(CopyFaults, OnlyARegularFileIsReplaced) {
    ScratchDir dir, elsewhere;
    ScopedEnv drive{"VELA_DRIVE_D", dir.path()};
    std::ofstream(elsewhere / "kept") << "kept";
    const struct {
        const char *what;
        std::function<void(const std::string &)> plant;
    } cases[] = {
        {"a symbolic link", [&](const std::string &at) { symlink((elsewhere / "kept").c_str(), at.c_str()); }},
        {"a symbolic link", [&](const std::string &at) { symlink((elsewhere / "made").c_str(), at.c_str()); }},
        {"a symbolic link", [&](const std::string &at) { symlink("/dev/full", at.c_str()); }},
        {"a device or pipe", [&](const std::string &at) { mkfifo(at.c_str(), 0600); }},
        {"a folder", [&](const std::string &at) { std::filesystem::create_directory(at); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        for (const char *name : {"cap.ppm", "gl_load_tex.bmp"}) c.plant(dir / name);
        auto line = [&](const std::string &name) {
            return "vela: not writing d:/" + name + ": " + dir / name + " is " + c.what + ", not a regular file\n";
        };
        EXPECT_EQ(ppm(), line("cap.ppm"));
        EXPECT_EQ(bmp(), line("gl_load_tex.bmp"));
        EXPECT_FALSE(std::filesystem::is_regular_file(std::filesystem::symlink_status(dir / "cap.ppm")));
        for (const char *name : {"cap.ppm", "gl_load_tex.bmp"}) std::filesystem::remove(dir / name);
    }
    auto kept = readFile(elsewhere / "kept");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "kept");
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "made")) << "nothing made through a dangling link";
}

// A copy cut short (here by the file size limit) would look whole by its header: removed.
TEST_F(CopyFaults, CopyCutShortIsRemovedAndTheOtherKept) {
    ScratchDir dir;
    ScopedEnv drive{"VELA_DRIVE_D", dir.path()};
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 200000;  // the PPM (180,015 bytes) fits, the BMP (240,058) does not
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool ppmOk = writePpm("d:/cap.ppm", rgb.data(), 300, 200);
    std::string bmpErr = bmp();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(ppmOk);
    EXPECT_EQ(readFile(dir / "cap.ppm").size(), 180015u);
    const std::string start = "vela: cannot write d:/gl_load_tex.bmp (" + dir / "gl_load_tex.bmp" + "): ";
    EXPECT_EQ(bmpErr.rfind(start, 0), 0u) << bmpErr;
    EXPECT_NE(bmpErr.find(" (error "), std::string::npos) << "the system's reason: " << bmpErr;
    EXPECT_TRUE(bmpErr.ends_with("; the incomplete copy was removed\n")) << bmpErr;
    EXPECT_FALSE(std::filesystem::exists(dir / "gl_load_tex.bmp"));
}

}  // namespace
