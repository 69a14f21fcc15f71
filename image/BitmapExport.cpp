#include "image/BitmapExport.h"

#include "app/Process.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

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

namespace {

// The file a program path names: "D:\\cap.ppm" on Windows, the drive folder's file on Linux.
std::string realPath(const char *path) {
    std::vector<char> buffer(1024);
    DWORD n = GetFullPathNameA(path, (DWORD)buffer.size(), buffer.data(), NULL);
    if (n >= buffer.size()) {
        buffer.resize(n);
        n = GetFullPathNameA(path, (DWORD)buffer.size(), buffer.data(), NULL);
    }
    return n > 0 && n < buffer.size() ? std::string(buffer.data(), n) : std::string();
}

// Only a regular file is ours to remove: the path may name a device (/dev/full, NUL).
bool isRegularFile(const std::string &file) {
    struct stat st;
    return !file.empty() && stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// One line naming the program's path, the real file and the cause. A copy cut short would
// pass for a whole one (its header claims the full size), so it is removed first.
void reportCopyFailure(const char *path, DWORD error, bool incomplete) {
    std::string file = realPath(path);
    std::string named = file.empty() || file == path ? path : std::string(path) + " (" + file + ")";
    const char *removal = "";
    if (incomplete && isRegularFile(file))
        removal = std::remove(file.c_str()) == 0 ? "; the incomplete copy was removed"
                                                 : "; the incomplete copy could not be removed";
    std::fprintf(stderr, "vela: cannot write %s: %s%s\n", named.c_str(), systemErrorText(error).c_str(), removal);
}

// What stands at a copy's path in place of a regular file, from its attributes; null for
// a regular file or nothing at all.
const char *notARegularFile(DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES) return nullptr;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return "a symbolic link";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "a folder";
    if (attributes & FILE_ATTRIBUTE_DEVICE) return "a device or pipe";
    return nullptr;
}

void reportRefusal(const char *path, const char *what) {
    std::string file = realPath(path);
    std::fprintf(stderr, "vela: not writing %s: %s is %s, not a regular file\n", path,
                 file.empty() ? path : file.c_str(), what);
}

// Opens a copy for writing. Anyone may have put something at the path first: only a
// regular file is replaced, a link is never followed and a pipe never waited on.
HANDLE openCopy(const char *path, DWORD flags) {
    if (const char *what = notARegularFile(GetFileAttributesA(path))) {
        reportRefusal(path, what);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | flags, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        // Put there since the look above: say what it is rather than why opening failed.
        DWORD error = GetLastError();
        if (const char *what = notARegularFile(GetFileAttributesA(path)))
            reportRefusal(path, what);
        else
            reportCopyFailure(path, error, false);
        return INVALID_HANDLE_VALUE;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        reportRefusal(path, "a device or pipe");
        return INVALID_HANDLE_VALUE;
    }
    return h;
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

// Closes a copy written `ok` so far; a failure here or before is reported, the copy removed.
bool closeCopy(const char *path, HANDLE h, bool ok) {
    DWORD error = ok ? 0 : GetLastError();
    if (!CloseHandle(h) && ok) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) reportCopyFailure(path, error, true);
    return ok;
}

}  // namespace

bool writePpm(const char *path, const unsigned char *rgb, int width, int height) {
    HANDLE h = openCopy(path, 0);
    if (h == INVALID_HANDLE_VALUE) return false;
    char header[64];
    int n = std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", width, height);
    return closeCopy(path, h, writeAll(h, header, (DWORD)n) && writeAll(h, rgb, (DWORD)((size_t)width * height * 3)));
}

bool writeBmp(const char *path, const BITMAPFILEHEADER *file, const BITMAPINFO *info, const unsigned char *rgba) {
    HANDLE h = openCopy(path, FILE_FLAG_WRITE_THROUGH);
    if (h == INVALID_HANDLE_VALUE) return false;
    return closeCopy(path, h,
                     writeAll(h, file, sizeof *file) && writeAll(h, &info->bmiHeader, sizeof info->bmiHeader) &&
                         writeAll(h, &info->bmiColors[0], sizeof info->bmiColors[0]) &&
                         writeAll(h, rgba, info->bmiHeader.biSizeImage));
}
