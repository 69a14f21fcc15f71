// Small helpers shared by tests that touch files: a scratch folder, whole-file reads, the
// source bitmaps.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vela::test {

// A fresh folder under /tmp, removed with everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir() {
        char name[] = "/tmp/vela-image-XXXXXX";
        path_ = mkdtemp(name) ? name : "";
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string &path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::vector<unsigned char> readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline uint32_t le32(const std::vector<unsigned char> &b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}
inline uint16_t le16(const std::vector<unsigned char> &b, size_t at) { return (uint16_t)(b[at] | b[at + 1] << 8); }

// Sets an environment variable for one scope, restoring the old value after.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const std::string &value) : name_(name) {
        if (const char *old = std::getenv(name)) old_ = old, had_ = true;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_) setenv(name_, old_.c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char *name_;
    std::string old_;
    bool had_ = false;
};

}  // namespace vela::test
