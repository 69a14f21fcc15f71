// What Vela does at start-up besides the frame, done the raw way for the same-work reference:
// the two bitmaps embedded as Vela embeds them, converted, uploaded, and each load leaving a
// PPM copy (stdio) and a BMP copy (write-through) in $VELA_DRIVE_D, with Vela's trace lines.
#include "same_work.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// The generated resource source registers the bitmaps here, as it does with Vela's layer.
namespace vela::core {
void registerResource(unsigned, unsigned id, const void *data, std::size_t size);
}

namespace {

struct Dib {
    const unsigned char *data;
    size_t size;
};

std::map<unsigned, Dib> &bitmaps() {
    static std::map<unsigned, Dib> all;
    return all;
}

std::string drivePath(const char *name) {
    const char *dir = std::getenv("VELA_DRIVE_D");
    return std::string(dir && *dir ? dir : "drive_d") + "/" + name;
}

void writePpm(const unsigned char *rgb, int width, int height) {
    FILE *f = std::fopen(drivePath("cap.ppm").c_str(), "wb");
    if (!f) return;
    char header[64];
    std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", width, height);
    std::fwrite(header, std::strlen(header), 1, f);
    std::fwrite(rgb, (size_t)width * height * 3, 1, f);
    std::fclose(f);
}

void writeAll(int fd, const void *data, size_t size) {
    for (const char *p = (const char *)data; size > 0;) {
        ssize_t n = write(fd, p, size);
        if (n <= 0) return;
        p += n;
        size -= (size_t)n;
    }
}

void writeBmp(const unsigned char *rgba, int width, int height) {
    std::string path = drivePath("gl_load_tex.bmp");
    struct stat st;
    bool existed = stat(path.c_str(), &st) == 0;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_DSYNC | O_CLOEXEC, 0666);
    if (fd < 0) return;
    if (!existed) {
        // A new file's name is made durable too, as a write-through create does.
        int dir = open(path.substr(0, path.rfind('/')).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) fsync(dir), close(dir);
    }
    uint32_t image = (uint32_t)width * height * 4;
    unsigned char file[14] = {'B', 'M'}, info[40] = {}, colour[4] = {};
    auto le32 = [](unsigned char *p, uint32_t v) { std::memcpy(p, &v, 4); };
    le32(file + 2, 58 + image);
    le32(file + 10, 58);
    le32(info, 40);
    le32(info + 4, (uint32_t)width);
    le32(info + 8, (uint32_t)height);
    info[12] = 1;
    info[14] = 32;
    le32(info + 20, image);
    writeAll(fd, file, sizeof file);
    writeAll(fd, info, sizeof info);
    writeAll(fd, colour, sizeof colour);
    writeAll(fd, rgba, image);
    fsync(fd);
    close(fd);
}

}  // namespace

void vela::core::registerResource(unsigned, unsigned id, const void *data, std::size_t size) {
    bitmaps()[id] = Dib{static_cast<const unsigned char *>(data), size};
}

GLuint loadBitmapTexture(unsigned id, bool nearestMag) {
    const Dib &dib = bitmaps().at(id);
    int width, height;
    std::memcpy(&width, dib.data + 4, 4);
    std::memcpy(&height, dib.data + 8, 4);
    const unsigned char *bits = dib.data + 40;
    const size_t stride = ((size_t)width * 3 + 3) / 4 * 4;
    std::printf("bm w size %d\nbm h size %d\nall size %d\nall size per bit %d\n", width, height, width * height * 4, 32);
    auto *rgba = (unsigned char *)std::malloc((size_t)width * height * 4);
    auto *rgb = (unsigned char *)std::malloc((size_t)width * height * 3);
    // Bottom row first in both; red and blue exchanged, alpha 255; the PPM copy top row first.
    for (int row = 0; row < height; ++row) {
        const unsigned char *src = bits + stride * row;
        unsigned char *dst = rgba + (size_t)row * width * 4;
        unsigned char *top = rgb + (size_t)(height - 1 - row) * width * 3;
        for (int x = 0; x < width; ++x, src += 3, dst += 4, top += 3) {
            dst[0] = top[0] = src[2];
            dst[1] = top[1] = src[1];
            dst[2] = top[2] = src[0];
            dst[3] = 255;
        }
    }
    std::printf("ret %d\n", height);
    writePpm(rgb, width, height);
    std::printf("image ptr ori %d\n", (int)(intptr_t)rgb);
    writeBmp(rgba, width, height);
    GLuint name;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    if (nearestMag) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    return name;  // the pixels stay allocated, as the demo's do
}
