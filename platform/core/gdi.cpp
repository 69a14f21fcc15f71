// GDI bitmaps: display-compatible bitmaps loaded from the program's resources, memory
// device contexts, bitmap descriptions and DIB extraction.
//
// Supported:
//  - LoadImageA(module, integer id or "#id", IMAGE_BITMAP, 0 or the bitmap's size, same,
//    LR_DEFAULTCOLOR) for 24- and 32-bit BI_RGB DIB resources, bottom-up or top-down
//  - the bitmap at the screen's depth (bits per pixel of the display's pixmaps); at 15 or
//    16 bits the colours are reduced as the display would
//  - GetObjectA of a bitmap (BITMAP), DeleteObject of bitmaps and brushes
//  - CreateCompatibleDC, DeleteDC, GetDeviceCaps (BITSPIXEL, PLANES, HORZRES, VERTRES)
//  - GetDIBits into 24- and 32-bit BI_RGB buffers, bottom-up or top-down, and the query
//    form (no buffer) that fills the BITMAPINFOHEADER
// Not supported: file, icon and cursor images through LoadImageA, stretching, DIB
// sections, palettes and 1/4/8/16-bit DIBs, SelectObject and drawing into bitmaps.
#include "core/core.h"

#include <cstring>

namespace vela::core {
namespace {

// A bitmap loaded from a resource keeps to the resource's bits, which live as long as the
// program: GetDIBits reads them directly, with no copy made at load time.
struct Bitmap : Object {
    static constexpr Kind kKind = Kind::Bitmap;
    Bitmap() : Object(Kind::Bitmap) {}
    int width = 0, height = 0, bitsPixel = 32;
    const unsigned char *bits = nullptr;  // the resource's rows
    size_t stride = 0;
    int bytesPerPixel = 3;
    bool topDown = false;

    // Pixel (x, y), y counted from the top, as 0xRRGGBB at the bitmap's depth.
    uint32_t at(int x, int y) const;
};

constexpr unsigned kBitmapType = 2;  // RT_BITMAP
constexpr int kMaxSide = 32768;

uint32_t le32(const unsigned char *p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }
uint16_t le16(const unsigned char *p) { return (uint16_t)(p[0] | p[1] << 8); }

// The colour a display of this depth keeps of an 8-bit-per-channel colour.
uint32_t atDepth(uint32_t rgb, int bits) {
    if (bits == 16) return rgb & 0xF8FCF8;
    if (bits == 15) return rgb & 0xF8F8F8;
    return rgb;
}

uint32_t Bitmap::at(int x, int y) const {
    const unsigned char *p = bits + stride * (size_t)(topDown ? y : height - 1 - y) + (size_t)x * bytesPerPixel;
    return atDepth((uint32_t)p[2] << 16 | p[1] << 8 | p[0], bitsPixel);
}

// Checks a resource DIB (BITMAPINFOHEADER, colour masks or table, bits) and points the
// bitmap at its rows.
bool readDib(const unsigned char *dib, size_t size, Bitmap &bm) {
    if (size < 40) return false;
    uint32_t headerSize = le32(dib);
    int32_t width = (int32_t)le32(dib + 4), height = (int32_t)le32(dib + 8);
    uint16_t planes = le16(dib + 12), bitCount = le16(dib + 14);
    uint32_t compression = le32(dib + 16), clrUsed = le32(dib + 32);
    if (headerSize < 40 || headerSize > size || planes != 1 || compression != BI_RGB) return false;
    if ((bitCount != 24 && bitCount != 32) || width <= 0 || width > kMaxSide || height == 0 ||
        height < -kMaxSide || height > kMaxSide || clrUsed > 256)
        return false;
    const bool topDown = height < 0;
    const int rows = topDown ? -height : height;
    const size_t stride = ((size_t)width * bitCount + 31) / 32 * 4;
    const size_t bitsOffset = headerSize + clrUsed * 4;
    if (bitsOffset > size || (size - bitsOffset) / stride < (size_t)rows) return false;
    bm.width = width;
    bm.height = rows;
    bm.bits = dib + bitsOffset;
    bm.stride = stride;
    bm.bytesPerPixel = bitCount / 8;
    bm.topDown = topDown;
    return true;
}

}  // namespace
}  // namespace vela::core

using namespace vela::core;

extern "C" HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
    if (type != IMAGE_BITMAP || (flags & ~(UINT)LR_DEFAULTCOLOR)) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return nullptr;
    }
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Only our own module has resources; a null instance would mean the system's bitmaps.
    if (instance != GetModuleHandleA(nullptr)) {
        SetLastError(instance ? ERROR_INVALID_HANDLE : ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    unsigned id = 0;
    if (IS_INTRESOURCE(name)) {
        id = (unsigned)(uintptr_t)name;
    } else if (name[0] == '#') {
        // "#1001" names the integer resource 1001.
        for (const char *p = name + 1; *p && id <= 0xFFFF; ++p) id = (*p >= '0' && *p <= '9') ? id * 10 + (*p - '0') : 0x10000;
        if (name[1] == 0) id = 0x10000;
    } else {
        id = 0x10000;  // string names are never embedded
    }
    ResourceData res = id <= 0xFFFF ? findResource(kBitmapType, id) : ResourceData{};
    if (!res.data) {
        SetLastError(hasResourcesOfType(kBitmapType) ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    auto bm = std::make_unique<Bitmap>();
    bm->bitsPixel = backend().screenDepthBits();
    if (!readDib(static_cast<const unsigned char *>(res.data), res.size, *bm)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    // NOTE: no stretching; asking for another size than the bitmap's own fails.
    if ((cx && cx != bm->width) || (cy && cy != bm->height)) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return nullptr;
    }
    return toHandle<HANDLE>(addObject(std::move(bm)));
}

extern "C" int WINAPI GetObjectA(HANDLE object, int size, LPVOID buffer) {
    Bitmap *bm = find<Bitmap>(object);
    if (!bm) return 0;
    BITMAP info{};
    info.bmType = 0;
    info.bmWidth = bm->width;
    info.bmHeight = bm->height;
    info.bmWidthBytes = (bm->width * bm->bitsPixel + 15) / 16 * 2;  // device bitmaps align rows to words
    info.bmPlanes = 1;
    info.bmBitsPixel = (WORD)bm->bitsPixel;
    info.bmBits = nullptr;
    if (!buffer) return (int)sizeof info;
    if (size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // NOTE: a short buffer (24 bytes, as 32-bit code passes) gets the fields that fit.
    int n = size < (int)sizeof info ? size : (int)sizeof info;
    std::memcpy(buffer, &info, (size_t)n);
    return n;
}

extern "C" BOOL WINAPI DeleteObject(HGDIOBJ object) {
    if (Bitmap *bm = find<Bitmap>(object)) {
        removeObject(bm->id);
        return TRUE;
    }
    if (Brush *brush = find<Brush>(object)) {
        if (!brush->stock) removeObject(brush->id);  // stock objects are never deleted
        return TRUE;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

extern "C" HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc && !find<DeviceContext>(hdc)) return nullptr;
    auto dc = std::make_unique<DeviceContext>();
    dc->memory = true;
    return toHandle<HDC>(addObject(std::move(dc)));
}

extern "C" BOOL WINAPI DeleteDC(HDC hdc) {
    DeviceContext *dc = find<DeviceContext>(hdc);
    if (!dc) return FALSE;
    if (!dc->memory) {
        SetLastError(ERROR_INVALID_HANDLE);  // a window's DC goes back through ReleaseDC
        return FALSE;
    }
    removeObject(dc->id);
    return TRUE;
}

extern "C" int WINAPI GetDeviceCaps(HDC hdc, int index) {
    if (!find<DeviceContext>(hdc)) return 0;
    switch (index) {
    case BITSPIXEL: return backend().screenDepthBits();
    case PLANES: return 1;
    case HORZRES: return backend().screenWidth();
    case VERTRES: return backend().screenHeight();
    default: return 0;
    }
}

extern "C" int WINAPI GetDIBits(HDC hdc, HBITMAP hbitmap, UINT startScan, UINT scanLines, LPVOID bits,
                                LPBITMAPINFO info, UINT usage) {
    if (!find<DeviceContext>(hdc)) return 0;
    Bitmap *bm = find<Bitmap>(hbitmap);
    if (!bm) return 0;
    if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage > DIB_PAL_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BITMAPINFOHEADER &h = info->bmiHeader;
    if (!bits) {
        // The query form: describe the bitmap, or the buffer the given format needs.
        if (h.biBitCount == 0) {
            h.biWidth = bm->width;
            h.biHeight = bm->height;
            h.biPlanes = 1;
            h.biBitCount = (WORD)bm->bitsPixel;
            h.biCompression = BI_RGB;
        }
        LONG rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
        h.biSizeImage = (DWORD)(((int64_t)h.biWidth * h.biBitCount + 31) / 32 * 4 * rows);
        return bm->height;
    }
    if ((h.biBitCount != 24 && h.biBitCount != 32) || h.biCompression != BI_RGB || h.biWidth <= 0 ||
        h.biWidth > kMaxSide || h.biHeight == 0 || h.biHeight < -kMaxSide || h.biHeight > kMaxSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const bool topDown = h.biHeight < 0;
    const int dibRows = topDown ? -h.biHeight : h.biHeight;
    const int rows = dibRows < bm->height ? dibRows : bm->height;
    const int width = h.biWidth, copyWidth = width < bm->width ? width : bm->width;
    const int step = h.biBitCount / 8;
    const size_t stride = ((size_t)width * h.biBitCount + 31) / 32 * 4;
    if (startScan >= (UINT)rows) return 0;
    const UINT last = scanLines > (UINT)rows - startScan ? (UINT)rows : startScan + scanLines;
    auto *out = static_cast<unsigned char *>(bits);
    for (UINT scan = startScan; scan < last; ++scan) {
        unsigned char *dst = out + stride * (scan - startScan);
        // Scan lines count from the bottom in a bottom-up DIB, from the top otherwise.
        int y = topDown ? (int)scan : bm->height - 1 - (int)scan;
        std::memset(dst, 0, stride);  // Windows leaves the fourth byte of a 32-bit pixel 0
        for (int x = 0; x < copyWidth; ++x, dst += step) {
            uint32_t rgb = bm->at(x, y);
            dst[0] = (unsigned char)(rgb & 0xFF);
            dst[1] = (unsigned char)(rgb >> 8 & 0xFF);
            dst[2] = (unsigned char)(rgb >> 16 & 0xFF);
        }
    }
    return (int)(last - startScan);
}
