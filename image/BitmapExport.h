// The bitmap loader's pixel conversion and its two debug copies, kept apart from any
// window so they can be used and tested alone.
#pragma once

#include <windows.h>

// Turns the extracted pixels (bottom row first; blue, green, red, any fourth byte) into
// red, green, blue, 255 in place, and fills `rgb` (width * height * 3 bytes) with the
// image top row first in red, green, blue.
void convertPixels(unsigned char *rgba, unsigned char *rgb, int width, int height);

// The BMP file header and the extraction record of a width x height, 32-bit image; the
// colour entry is zero.
void fillBmpHeaders(BITMAPFILEHEADER *file, BITMAPINFO *info, int width, int height);

// Write the PPM (P6) and BMP copies. On failure each prints one line naming the path, the
// file it maps to and the system's reason to stderr, removes a file left incomplete and
// returns false. Only a regular file is replaced: a symbolic link, folder, pipe or device
// at the path is left as it is, with one line saying what is there.
bool writePpm(const char *path, const unsigned char *rgb, int width, int height);
bool writeBmp(const char *path, const BITMAPFILEHEADER *file, const BITMAPINFO *info, const unsigned char *rgba);
