// check-pe: checks that a Windows build of Vela is what a Windows user needs: a PE32
// i386 (or PE32+ x86-64) console program, linked with opengl32, gdi32, user32 and the shader runtime's
// cg.dll and cgGL.dll, carrying no
// dependency on the mingw runtime DLLs, whose resources hold bitmaps 1001 and 2001
// (512 x 512, 24 bits per pixel) and menu 1002.
//
// Usage: check-pe FILE.exe
// Prints one line per check; exit 0 when all pass, 1 when one fails, 2 when the file
// cannot be read or is not a PE image at all.
//
// Built for the host by tools/build-windows.sh; reads the file only, never runs it.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kMachineI386 = 0x014c;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kMagicPe32 = 0x010b;
constexpr uint16_t kMagicPe32Plus = 0x020b;
constexpr uint16_t kSubsystemConsole = 3;
constexpr uint32_t kDirImport = 1;
constexpr uint32_t kDirResource = 2;
constexpr uint32_t kRtBitmap = 2;
constexpr uint32_t kRtMenu = 4;
// A hostile or truncated file must not send the walk round in circles.
constexpr int kMaxResourceEntries = 4096;

struct Section {
    uint32_t virtualAddress;
    uint32_t virtualSize;
    uint32_t rawSize;
    uint32_t rawOffset;
};

struct Resource {
    uint32_t rva;
    uint32_t size;
};

class Image {
public:
    explicit Image(std::vector<unsigned char> bytes) : data(std::move(bytes)) {}

    std::optional<uint16_t> u16(size_t at) const {
        if (at > data.size() || data.size() - at < 2) return std::nullopt;
        return uint16_t(data[at] | data[at + 1] << 8);
    }
    std::optional<uint32_t> u32(size_t at) const {
        if (at > data.size() || data.size() - at < 4) return std::nullopt;
        return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
               uint32_t(data[at + 3]) << 24;
    }
    // The file offset of `size` bytes at `rva`, if they lie in one section's raw data.
    std::optional<size_t> offsetOf(uint32_t rva, uint32_t size = 1) const {
        for (const Section &s : sections) {
            uint64_t span = std::max(s.virtualSize, s.rawSize);
            if (rva < s.virtualAddress || rva - s.virtualAddress >= span) continue;
            uint64_t inSection = rva - s.virtualAddress;
            if (inSection + size > s.rawSize) return std::nullopt;
            uint64_t at = uint64_t(s.rawOffset) + inSection;
            if (at + size > data.size()) return std::nullopt;
            return size_t(at);
        }
        return std::nullopt;
    }
    std::optional<std::string> cString(uint32_t rva) const {
        auto at = offsetOf(rva);
        if (!at) return std::nullopt;
        std::string s;
        for (size_t i = *at; i < data.size() && data[i]; ++i) {
            if (s.size() > 260) return std::nullopt;
            s += char(data[i]);
        }
        return s;
    }

    std::vector<unsigned char> data;
    std::vector<Section> sections;
};

struct Report {
    int failures = 0;
    void check(bool ok, const std::string &what, const std::string &detail = "") {
        std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ",
                    detail.c_str());
        if (!ok) ++failures;
    }
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", v);
    return buf;
}

// The names of the DLLs the image imports, or nullopt if the import table is damaged.
std::optional<std::vector<std::string>> importedDlls(const Image &img, uint32_t rva, uint32_t size) {
    std::vector<std::string> names;
    if (rva == 0 || size == 0) return names;
    for (uint32_t at = rva;; at += 20) {
        auto off = img.offsetOf(at, 20);
        if (!off) return std::nullopt;
        uint32_t nameRva = *img.u32(*off + 12);
        uint32_t firstThunk = *img.u32(*off + 16);
        if (nameRva == 0 && firstThunk == 0) break;
        auto name = img.cString(nameRva);
        if (!name) return std::nullopt;
        names.push_back(*name);
        if (names.size() > 1024) return std::nullopt;
    }
    return names;
}

// Finds the first language's data of resource type/id in the resource directory at `root`.
class ResourceWalk {
public:
    ResourceWalk(const Image &img, uint32_t root) : img(img), root(root) {}

    std::optional<Resource> find(uint32_t type, uint32_t id) {
        auto byType = subdirectory(0, type);
        if (!byType) return std::nullopt;
        auto byLanguage = subdirectory(*byType, id);
        if (!byLanguage) return std::nullopt;
        auto entry = firstEntry(*byLanguage);
        if (!entry || (*entry & 0x80000000u)) return std::nullopt;
        auto at = img.offsetOf(root + *entry, 16);
        if (!at) return std::nullopt;
        return Resource{*img.u32(*at), *img.u32(*at + 4)};
    }

    bool damaged = false;

private:
    // Offset (from the root) of the subdirectory that entry `id` of directory `dir` names.
    std::optional<uint32_t> subdirectory(uint32_t dir, uint32_t id) {
        auto at = img.offsetOf(root + dir, 16);
        if (!at) return fail();
        uint32_t named = *img.u16(*at + 12), ids = *img.u16(*at + 14);
        if (named + ids > kMaxResourceEntries) return fail();
        for (uint32_t i = named; i < named + ids; ++i) {
            auto e = img.offsetOf(root + dir + 16 + 8 * i, 8);
            if (!e) return fail();
            uint32_t name = *img.u32(*e), target = *img.u32(*e + 4);
            if (name != id) continue;
            if (!(target & 0x80000000u)) return fail();
            uint32_t sub = target & 0x7fffffffu;
            // Directories nest strictly downwards in every image a linker writes.
            if (sub <= dir) return fail();
            return sub;
        }
        return std::nullopt;
    }
    std::optional<uint32_t> firstEntry(uint32_t dir) {
        auto at = img.offsetOf(root + dir, 16);
        if (!at) return fail();
        uint32_t count = uint32_t(*img.u16(*at + 12)) + *img.u16(*at + 14);
        if (count == 0) return std::nullopt;
        auto e = img.offsetOf(root + dir + 16, 8);
        if (!e) return fail();
        return *img.u32(*e + 4);
    }
    std::optional<uint32_t> fail() {
        damaged = true;
        return std::nullopt;
    }

    const Image &img;
    uint32_t root;
};

void checkBitmap(Report &report, const Image &img, ResourceWalk &walk, uint32_t id) {
    std::string what = "bitmap resource " + std::to_string(id);
    auto res = walk.find(kRtBitmap, id);
    if (!res) {
        report.check(false, what, "missing");
        return;
    }
    // A bitmap resource is a DIB: BITMAPINFOHEADER first, no file header.
    auto at = img.offsetOf(res->rva, 40);
    if (!at || res->size < 40 || *img.u32(*at) < 40) {
        report.check(false, what, "not a DIB (" + std::to_string(res->size) + " bytes)");
        return;
    }
    int32_t width = int32_t(*img.u32(*at + 4));
    int32_t height = int32_t(*img.u32(*at + 8));
    uint16_t bits = *img.u16(*at + 14);
    std::string shape =
        std::to_string(width) + " x " + std::to_string(height) + ", " + std::to_string(bits) + " bpp";
    bool expected = width == 512 && (height == 512 || height == -512) && bits == 24;
    uint64_t pixelBytes = 512ull * 512 * 3;
    if (expected && res->size < 40 + pixelBytes) {
        report.check(false, what, shape + ", pixels truncated (" + std::to_string(res->size) + " bytes)");
        return;
    }
    report.check(expected, what, shape + (expected ? "" : ", expected 512 x 512, 24 bpp"));
}

int checkFile(const char *path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "check-pe: cannot open %s\n", path);
        return 2;
    }
    Image img(std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {}));

    auto peAt = img.u32(0x3c);
    if (img.u16(0) != 0x5a4d || !peAt || img.u32(*peAt) != 0x00004550u) {
        std::fprintf(stderr, "check-pe: %s is not a PE image\n", path);
        return 2;
    }
    size_t coff = *peAt + 4;
    auto machine = img.u16(coff);
    auto sectionCount = img.u16(coff + 2);
    auto optSize = img.u16(coff + 16);
    size_t opt = coff + 20;
    auto magic = img.u16(opt);
    if (!machine || !sectionCount || !optSize || !magic) {
        std::fprintf(stderr, "check-pe: %s: truncated PE header\n", path);
        return 2;
    }

    Report report;
    bool wide = *magic == kMagicPe32Plus;
    if (wide) {
        report.check(*machine == kMachineAmd64, "machine x86-64", hex(*machine));
    } else {
        report.check(*machine == kMachineI386, "machine i386", hex(*machine));
        report.check(*magic == kMagicPe32, "PE32 (32-bit) optional header", hex(*magic));
        if (*magic != kMagicPe32) return 1;  // the rest of the layout is unknown
    }

    // PE32+ widens the image base and the four stack and heap sizes before the directories.
    size_t dirs = opt + (wide ? 112 : 96);
    auto subsystem = img.u16(opt + 68);
    auto dirCount = img.u32(dirs - 4);
    report.check(subsystem == kSubsystemConsole, "console subsystem",
                 subsystem ? std::to_string(*subsystem) : "truncated");

    size_t sectionTable = opt + *optSize;
    for (uint32_t i = 0; i < *sectionCount; ++i) {
        size_t s = sectionTable + 40 * i;
        auto vsize = img.u32(s + 8), va = img.u32(s + 12), rawSize = img.u32(s + 16),
             rawOffset = img.u32(s + 20);
        if (!vsize || !va || !rawSize || !rawOffset) {
            std::fprintf(stderr, "check-pe: %s: truncated section table\n", path);
            return 2;
        }
        img.sections.push_back({*va, *vsize, *rawSize, *rawOffset});
    }
    auto directory = [&](uint32_t index) -> std::pair<uint32_t, uint32_t> {
        if (!dirCount || index >= *dirCount || dirs - opt + 8 * (index + 1) > *optSize) return {0, 0};
        return {img.u32(dirs + 8 * index).value_or(0), img.u32(dirs + 4 + 8 * index).value_or(0)};
    };

    auto [importRva, importSize] = directory(kDirImport);
    auto dlls = importedDlls(img, importRva, importSize);
    if (!dlls) {
        report.check(false, "import table", "damaged");
    } else {
        std::string list;
        for (const std::string &d : *dlls) list += (list.empty() ? "" : " ") + d;
        std::printf("     imports: %s\n", list.c_str());
        for (const char *needed : {"opengl32.dll", "gdi32.dll", "user32.dll", "cg.dll", "cggl.dll"}) {
            bool found = std::any_of(dlls->begin(), dlls->end(),
                                     [&](const std::string &d) { return lower(d) == needed; });
            report.check(found, std::string("imports ") + needed);
        }
        std::string runtime;
        for (const std::string &d : *dlls) {
            std::string l = lower(d);
            if (l.starts_with("libgcc") || l.starts_with("libstdc++") || l.starts_with("libwinpthread"))
                runtime += (runtime.empty() ? "" : " ") + d;
        }
        report.check(runtime.empty(), "no mingw runtime DLLs needed", runtime);
    }

    auto [resourceRva, resourceSize] = directory(kDirResource);
    if (resourceRva == 0 || resourceSize == 0) {
        report.check(false, "resources", "the image has no resource section");
        return 1;
    }
    ResourceWalk walk(img, resourceRva);
    checkBitmap(report, img, walk, 1001);
    checkBitmap(report, img, walk, 2001);
    auto menu = walk.find(kRtMenu, 1002);
    report.check(menu && menu->size > 0 && img.offsetOf(menu->rva, menu->size).has_value(),
                 "menu resource 1002", menu ? std::to_string(menu->size) + " bytes" : "missing");
    if (walk.damaged) report.check(false, "resource directory", "damaged");
    return report.failures ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: check-pe FILE.exe\n");
        return 2;
    }
    return checkFile(argv[1]);
}
