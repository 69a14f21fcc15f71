// GDI bitmaps of the platform layer without a display: resource loading, descriptions and
// DIB extraction, checked against DIBs made here and against the embedded resources.
#include <gtest/gtest.h>

#include "test_backend.h"
#include "support/scratch.h"

#include <cstring>

using namespace vela::test;

namespace {

uint32_t colourAt(int x, int y) { return (uint32_t)((x * 40) << 16 | (y * 90) << 8 | (x * 13 + y * 7)); }

// A DIB as a resource holds it: header, then rows (bottom-up for a positive height).
std::vector<unsigned char> makeDib(int width, int height, int bitCount, bool topDown) {
    const size_t stride = ((size_t)width * bitCount + 31) / 32 * 4;
    std::vector<unsigned char> dib(40 + stride * height, 0x5A);  // padding must not leak
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = topDown ? -height : height;
    h.biPlanes = 1;
    h.biBitCount = (WORD)bitCount;
    h.biXPelsPerMeter = h.biYPelsPerMeter = 2834;
    std::memcpy(dib.data(), &h, 40);
    for (int y = 0; y < height && bitCount >= 24; ++y) {
        int row = topDown ? y : height - 1 - y;
        for (int x = 0; x < width; ++x) {
            unsigned char *p = &dib[40 + stride * row + (size_t)x * (bitCount / 8)];
            uint32_t c = colourAt(x, y);
            p[0] = c & 0xFF, p[1] = c >> 8 & 0xFF, p[2] = c >> 16 & 0xFF;
            if (bitCount == 32) p[3] = 0x77;
        }
    }
    return dib;
}

class Gdi : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static auto bottomUp24 = makeDib(3, 2, 24, false), topDown32 = makeDib(5, 4, 32, true);
        static auto bad16 = makeDib(4, 4, 16, false), truncated = makeDib(8, 8, 24, false);
        vela::core::registerResource(2, 701, bottomUp24.data(), bottomUp24.size());
        vela::core::registerResource(2, 702, topDown32.data(), topDown32.size());
        vela::core::registerResource(2, 703, bad16.data(), bad16.size());
        vela::core::registerResource(2, 704, truncated.data(), truncated.size() - 10);
    }
    void SetUp() override { freshCore(); }

    HBITMAP load(int id) {
        return (HBITMAP)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                   LR_DEFAULTCOLOR);
    }
    // GetDIBits into a buffer of the given format; returns the rows copied.
    int extract(HBITMAP bm, int width, int height, int bits, std::vector<unsigned char> &out, UINT start = 0,
                UINT lines = 1000) {
        HDC dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = 40;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = (WORD)bits;
        out.assign((((size_t)width * bits + 31) / 32 * 4) * std::abs(height), 0xCC);
        int rows = GetDIBits(dc, bm, start, lines, out.data(), &info, DIB_RGB_COLORS);
        DeleteDC(dc);
        return rows;
    }
};

TEST_F(Gdi, LoadedBitmapDescribesItselfAtScreenDepth) {
    HBITMAP bm = load(702);
    ASSERT_NE(bm, nullptr);
    BITMAP d;
    std::memset(&d, 0xEE, sizeof d);
    EXPECT_EQ(GetObjectA(bm, sizeof d, &d), (int)sizeof d);
    EXPECT_EQ(d.bmType, 0);
    EXPECT_EQ(d.bmWidth, 5);
    EXPECT_EQ(d.bmHeight, 4);
    EXPECT_EQ(d.bmWidthBytes, 20);
    EXPECT_EQ(d.bmPlanes, 1);
    EXPECT_EQ(d.bmBitsPixel, 32) << "the screen's depth, not the resource's";
    EXPECT_EQ(d.bmBits, nullptr);
    EXPECT_EQ(GetObjectA(bm, 0, nullptr), (int)sizeof(BITMAP));
    // 32-bit code passes 24: the fields that fit are filled, nothing beyond.
    unsigned char small[sizeof(BITMAP) + 4];
    std::memset(small, 0xEE, sizeof small);
    EXPECT_EQ(GetObjectA(bm, 24, small), 24);
    EXPECT_EQ(small[24], 0xEE);
    EXPECT_EQ(reinterpret_cast<BITMAP *>(small)->bmWidth, 5);
    EXPECT_TRUE(DeleteObject(bm));
    EXPECT_EQ(GetObjectA(bm, sizeof d, &d), 0) << "a deleted bitmap is stale";
}

TEST_F(Gdi, ExtractionRowOrderAndByteOrder) {
    for (int id : {701, 702}) {
        HBITMAP bm = load(id);
        ASSERT_NE(bm, nullptr);
        BITMAP d;
        GetObjectA(bm, sizeof d, &d);
        const int w = d.bmWidth, h = d.bmHeight;
        for (int bits : {32, 24})
            for (bool topDown : {false, true}) {
                SCOPED_TRACE("id " + std::to_string(id) + ", " + std::to_string(bits) + " bits" +
                             (topDown ? ", top-down" : ", bottom-up"));
                std::vector<unsigned char> out;
                ASSERT_EQ(extract(bm, w, topDown ? -h : h, bits, out), h);
                const size_t stride = ((size_t)w * bits + 31) / 32 * 4;
                for (int y = 0; y < h; ++y) {
                    const unsigned char *row = &out[stride * (topDown ? y : h - 1 - y)];
                    for (int x = 0; x < w; ++x) {
                        const unsigned char *p = row + (size_t)x * bits / 8;
                        uint32_t c = colourAt(x, y);
                        ASSERT_EQ(p[0], c & 0xFF) << x << "," << y;
                        ASSERT_EQ(p[1], c >> 8 & 0xFF) << x << "," << y;
                        ASSERT_EQ(p[2], c >> 16 & 0xFF) << x << "," << y;
                        if (bits == 32) {
                            ASSERT_EQ(p[3], 0) << "the fourth byte is 0, as Windows leaves it";
                        }
                    }
                    for (size_t pad = (size_t)w * bits / 8; pad < stride; ++pad) ASSERT_EQ(row[pad], 0);
                }
            }
        DeleteObject(bm);
    }
}

TEST_F(Gdi, PartialExtractionCountsRows) {
    HBITMAP bm = load(702);  // 5 x 4
    std::vector<unsigned char> out;
    EXPECT_EQ(extract(bm, 5, 4, 32, out, 1, 2), 2);
    // Scan line 1 of a bottom-up DIB is the image's second row from the bottom.
    EXPECT_EQ(out[2], colourAt(0, 2) >> 16 & 0xFF);
    EXPECT_EQ(extract(bm, 5, 4, 32, out, 3, 10), 1);
    EXPECT_EQ(extract(bm, 5, 4, 32, out, 4, 1), 0);
    EXPECT_EQ(extract(bm, 5, 2, 32, out), 2) << "no more rows than the DIB has";

    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO query{};
    query.bmiHeader.biSize = 40;
    EXPECT_NE(GetDIBits(dc, bm, 0, 4, nullptr, &query, DIB_RGB_COLORS), 0);
    EXPECT_EQ(query.bmiHeader.biWidth, 5);
    EXPECT_EQ(query.bmiHeader.biHeight, 4);
    EXPECT_EQ(query.bmiHeader.biBitCount, 32);
    EXPECT_EQ(query.bmiHeader.biSizeImage, 80u);
    DeleteDC(dc);
    DeleteObject(bm);
}

TEST_F(Gdi, SixteenBitScreenReducesColours) {
    recorder().depth = 16;
    HBITMAP bm = load(701);
    ASSERT_NE(bm, nullptr);
    BITMAP d;
    GetObjectA(bm, sizeof d, &d);
    EXPECT_EQ(d.bmBitsPixel, 16);
    std::vector<unsigned char> out;
    ASSERT_EQ(extract(bm, 3, 2, 32, out), 2);
    uint32_t c = colourAt(2, 1);  // bottom row of two, so the first in the buffer
    EXPECT_EQ(out[8], (c & 0xFF) & 0xF8);
    EXPECT_EQ(out[9], (c >> 8 & 0xFF) & 0xFC);
    EXPECT_EQ(out[10], (c >> 16 & 0xFF) & 0xF8);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 16);
    EXPECT_EQ(GetDeviceCaps(dc, PLANES), 1);
    DeleteDC(dc);
    DeleteObject(bm);
}

TEST_F(Gdi, FailuresTheWin32Way) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    struct Case {
        HINSTANCE instance;
        LPCSTR name;
        UINT type, flags;
        int cx;
        DWORD error;
    } cases[] = {
        {self, MAKEINTRESOURCEA(4242), IMAGE_BITMAP, 0, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
        {self, "beach", IMAGE_BITMAP, 0, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
        {self, "#", IMAGE_BITMAP, 0, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
        {self, MAKEINTRESOURCEA(703), IMAGE_BITMAP, 0, 0, ERROR_INVALID_DATA},  // 16 bits per pixel
        {self, MAKEINTRESOURCEA(704), IMAGE_BITMAP, 0, 0, ERROR_INVALID_DATA},  // bits cut short
        {self, MAKEINTRESOURCEA(701), IMAGE_BITMAP, 0, 64, ERROR_CALL_NOT_IMPLEMENTED},
        {self, MAKEINTRESOURCEA(701), IMAGE_BITMAP, LR_LOADFROMFILE, 0, ERROR_CALL_NOT_IMPLEMENTED},
        {self, MAKEINTRESOURCEA(701), IMAGE_ICON, 0, 0, ERROR_CALL_NOT_IMPLEMENTED},
        {nullptr, MAKEINTRESOURCEA(701), IMAGE_BITMAP, 0, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
        {(HINSTANCE)GetStockObject(WHITE_BRUSH), MAKEINTRESOURCEA(701), IMAGE_BITMAP, 0, 0, ERROR_INVALID_HANDLE},
        {self, nullptr, IMAGE_BITMAP, 0, 0, ERROR_INVALID_PARAMETER},
    };
    for (const Case &c : cases) {
        SetLastError(0);
        EXPECT_EQ(LoadImageA(c.instance, c.name, c.type, c.cx, c.cx, c.flags), nullptr) << (uintptr_t)c.name;
        EXPECT_EQ(GetLastError(), c.error) << (uintptr_t)c.name;
    }
    HANDLE named = LoadImageA(self, "#701", IMAGE_BITMAP, 3, 2, LR_DEFAULTCOLOR);
    EXPECT_NE(named, nullptr) << "\"#701\" and the bitmap's own size are accepted";

    HBITMAP bm = load(701);
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {40, 3, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    unsigned char buf[64];
    HBRUSH brush = (HBRUSH)GetStockObject(WHITE_BRUSH);
    EXPECT_EQ(GetDIBits((HDC)brush, bm, 0, 2, buf, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(dc, (HBITMAP)brush, 0, 2, buf, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(dc, bm, 0, 2, buf, nullptr, DIB_RGB_COLORS), 0);
    info.bmiHeader.biBitCount = 16;
    EXPECT_EQ(GetDIBits(dc, bm, 0, 2, buf, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetObjectA(brush, sizeof(BITMAP), buf), 0);
    EXPECT_EQ(GetObjectA((HANDLE)(uintptr_t)0xDEAD0, sizeof(BITMAP), buf), 0);
    EXPECT_EQ(CreateCompatibleDC((HDC)brush), nullptr);
    EXPECT_TRUE(DeleteObject(brush)) << "stock objects survive DeleteObject";
    EXPECT_NE(GetObjectA(bm, 0, nullptr), 0);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_FALSE(DeleteObject((HGDIOBJ)dc)) << "a DC is not a GDI object to delete";
}

// The bitmaps the build embeds are the resource files' pixels, found by id.
TEST_F(Gdi, EmbeddedResourcesMatchTheirFiles) {
    for (auto [id, file] : {std::pair{1001, "beach.bmp"}, std::pair{2001, "face.bmp"}}) {
        SCOPED_TRACE(file);
        auto bmp = readFile(std::string(VELA_SOURCE_DIR) + "/resources/" + file);
        ASSERT_EQ(bmp.size(), 54u + 512 * 512 * 3);
        HBITMAP bm = load(id);
        ASSERT_NE(bm, nullptr) << GetLastError();
        BITMAP d;
        GetObjectA(bm, sizeof d, &d);
        EXPECT_EQ(d.bmWidth, 512);
        EXPECT_EQ(d.bmHeight, 512);
        std::vector<unsigned char> out;
        ASSERT_EQ(extract(bm, 512, 512, 24, out), 512);
        EXPECT_TRUE(std::equal(out.begin(), out.end(), bmp.begin() + 54));
        DeleteObject(bm);
    }
}

}  // namespace
