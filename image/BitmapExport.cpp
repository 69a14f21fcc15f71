#include "image/BitmapExport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

void convertPixels(unsigned char *rgba, unsigned char *rgb, int width, int height) {
    unsigned char *src = rgba;
    for (int row = height - 1; row >= 0; --row) {
        for (int column = 0; column < width; ++column, src += 4) {
            size_t index = (size_t)row * width + column;
            rgb[3 * index] = src[2];
            rgb[3 * index + 1] = src[1];
            rgb[3 * index + 2] = src[0];
            src[3] = 255;
            unsigned char blue = src[0];
            src[0] = src[2];
            src[2] = blue;
        }
    }
}

void fillBmpHeaders(BITMAPFILEHEADER *file, BITMAPINFO *info, int width, int height) {
    DWORD imageSize = (DWORD)width * (DWORD)height * 4;
    std::memset(file, 0, sizeof *file);
    file->bfType = 0x4D42;
    file->bfSize = 58 + imageSize;
    file->bfOffBits = 58;
    std::memset(info, 0, sizeof *info);
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 32;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = imageSize;
}

bool writePpm(const char *path, const unsigned char *rgb, int width, int height) {
    FILE *f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "vela: cannot write %s: %s\n", path, std::strerror(errno));
        return false;
    }
    char header[64];
    std::sprintf(header, "P6\n%d %d\n255\n", width, height);
    bool ok = std::fwrite(header, std::strlen(header), 1, f) == 1 &&
              std::fwrite(rgb, (size_t)width * height * 3, 1, f) == 1;
    int error = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) std::fprintf(stderr, "vela: cannot write %s: %s\n", path, std::strerror(error));
    return ok;
}

namespace {

void reportWin32Error(const char *path, DWORD error) {
    char text[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, text,
                             sizeof text, NULL);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) --n;
    text[n] = 0;
    std::fprintf(stderr, "vela: cannot write %s: %s%s(error %lu)\n", path, text, n ? " " : "",
                 (unsigned long)error);
}

bool writeAll(HANDLE file, const void *data, DWORD size) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, NULL)) return false;
    if (written != size) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}

}  // namespace

bool writeBmp(const char *path, const BITMAPFILEHEADER *file, const BITMAPINFO *info, const unsigned char *rgba) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        reportWin32Error(path, GetLastError());
        return false;
    }
    bool ok = writeAll(h, file, sizeof *file) && writeAll(h, &info->bmiHeader, sizeof info->bmiHeader) &&
              writeAll(h, &info->bmiColors[0], sizeof info->bmiColors[0]) &&
              writeAll(h, rgba, info->bmiHeader.biSizeImage);
    DWORD error = ok ? 0 : GetLastError();
    if (!CloseHandle(h) && ok) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) reportWin32Error(path, error);
    return ok;
}
