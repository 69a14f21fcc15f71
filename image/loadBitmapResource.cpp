#include "demo/TestTex.h"
#include "app/Trace.h"
#include "image/BitmapExport.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

unsigned char *TestTex::loadBitmapResource(int id) {
    // The pointer-sized read: GetWindowLongA itself on 32-bit Windows, where a 64-bit
    // module's instance would lose its upper half.
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(window, GWLP_HINSTANCE);
    HBITMAP bitmap = (HBITMAP)LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    if (!bitmap) {
        // glTexImage2D takes null data, so the caller still gets a (blank) texture.
        std::fprintf(stderr, "vela: no bitmap resource %d (error %lu)\n", id, (unsigned long)GetLastError());
        return NULL;
    }
    HDC dc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(dc);

    BITMAP description = {};
    GetObjectA(bitmap, sizeof(BITMAP), &description);
    int width = description.bmWidth, height = description.bmHeight;
    if (width <= 0 || height <= 0 || (long long)width * height > INT_MAX / 4) {
        std::fprintf(stderr, "vela: bitmap resource %d has no usable size (%d x %d)\n", id, width, height);
        return NULL;
    }
    int imageSize = width * height * 4;
    BITMAPFILEHEADER fileHeader;
    BITMAPINFO info;
    fillBmpHeaders(&fileHeader, &info, width, height);

    trace("bm w size %d\n", width);
    trace("bm h size %d\n", height);
    trace("all size %d\n", imageSize);
    trace("all size per bit %d\n", description.bmBitsPixel);

    // Zeroed, so rows the extraction may not copy hold black rather than garbage.
    unsigned char *rgba = (unsigned char *)std::calloc(imageSize, 1);
    unsigned char *rgb = (unsigned char *)std::malloc(imageSize / 4 * 3);
    if (!rgba || !rgb) {
        std::fprintf(stderr, "vela: out of memory loading bitmap resource %d\n", id);
        std::free(rgba);
        std::free(rgb);
        return NULL;
    }
    int rows = GetDIBits(memoryDc, bitmap, 0, height, rgba, &info, DIB_RGB_COLORS);
    trace("ret %d\n", rows);

    convertPixels(rgba, rgb, width, height);
    // The PPM copy is complete before the BMP copy is created; a copy that can't be
    // written is left out and does not affect the other or the result.
    writePpm("d:/cap.ppm", rgb, width, height);
    trace("image ptr ori %d\n", (int)(intptr_t)rgb);
    writeBmp("d:/gl_load_tex.bmp", &fileHeader, &info, rgba);
    return rgba;
}
