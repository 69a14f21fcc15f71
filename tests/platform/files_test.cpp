// Drive letters, CreateFileA/WriteFile/CloseHandle and the fopen mapping of the platform layer.
#include <gtest/gtest.h>

#include "core/core.h"
#include "support/scratch.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vela::test;

namespace {

TEST(DriveMapping, LettersSeparatorsAndRoot) {
    ScratchDir d, e;
    ScopedEnv envD("VELA_DRIVE_D", d.path()), envE("VELA_DRIVE_E", e.path());
    std::string out;
    ASSERT_TRUE(vela::core::mapPath("d:/cap.ppm", out));
    EXPECT_EQ(out, d / "cap.ppm");
    ASSERT_TRUE(vela::core::mapPath("D:\\sub\\gl_load_tex.bmp", out));
    EXPECT_EQ(out, d / "sub/gl_load_tex.bmp");
    ASSERT_TRUE(vela::core::mapPath("e:x.txt", out));
    EXPECT_EQ(out, e / "x.txt");
    ASSERT_TRUE(vela::core::mapPath("d:/../../etc/./passwd", out));
    EXPECT_EQ(out, d / "etc/passwd") << "'..' stops at the drive's root";
    ASSERT_TRUE(vela::core::mapPath("relative/d:/x", out));
    EXPECT_EQ(out, "relative/d:/x");
    ASSERT_TRUE(vela::core::mapPath("/abs/path", out));
    EXPECT_EQ(out, "/abs/path");
}

TEST(DriveMapping, DefaultFolderIsMadeInTheWorkingDirectory) {
    ScratchDir dir;
    char old[PATH_MAX];
    ASSERT_TRUE(getcwd(old, sizeof old));
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    ScopedEnv empty("VELA_DRIVE_D", "");  // empty counts as unset
    std::string out;
    bool ok = vela::core::mapPath("d:/cap.ppm", out);
    bool made = std::filesystem::is_directory(dir / "drive_d");
    ASSERT_EQ(chdir(old), 0);
    EXPECT_TRUE(ok);
    EXPECT_EQ(out, "drive_d/cap.ppm");
    EXPECT_TRUE(made);
}

TEST(DriveMapping, MissingFolderIsMadeAndAFileInTheWayFails) {
    ScratchDir dir;
    {
        ScopedEnv env("VELA_DRIVE_Q", dir / "a/b/c");
        std::string out;
        EXPECT_TRUE(vela::core::mapPath("q:/x", out));
        EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
    }
    std::ofstream(dir / "plain") << "x";
    for (std::string folder : {dir / "plain", dir / "plain/below"}) {
        ScopedEnv env("VELA_DRIVE_Q", folder);
        std::string out;
        errno = 0;
        EXPECT_FALSE(vela::core::mapPath("q:/x", out)) << folder;
        EXPECT_EQ(errno, ENOTDIR) << folder;
    }
}

class Files : public ::testing::Test {
protected:
    ScratchDir dir;
    ScopedEnv drive{"VELA_DRIVE_D", dir.path()};

    HANDLE create(const char *path, DWORD disposition = CREATE_ALWAYS, DWORD access = GENERIC_WRITE,
                  DWORD flags = FILE_ATTRIBUTE_NORMAL) {
        return CreateFileA(path, access, 0, nullptr, disposition, flags, nullptr);
    }
    bool write(HANDLE h, const std::string &text) {
        DWORD written = 12345;
        BOOL ok = WriteFile(h, text.data(), (DWORD)text.size(), &written, nullptr);
        EXPECT_EQ(written, ok ? text.size() : 0u);
        return ok;
    }
    std::string text(const std::string &name) {
        auto b = readFile(dir / name);
        return {b.begin(), b.end()};
    }
};

TEST_F(Files, CreateAlwaysMakesThenReplaces) {
    HANDLE h = create("d:/out.bin", CREATE_ALWAYS, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
    EXPECT_TRUE(write(h, "first, longer content"));
    EXPECT_TRUE(write(h, ""));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(text("out.bin"), "first, longer content");

    h = create("d:\\out.bin");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS) << "Win32 says the file was there";
    EXPECT_TRUE(write(h, "second"));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(text("out.bin"), "second");
}

// Find the descriptor behind the newest open file of that name, to read its flags.
int fdFor(const std::string &path) {
    int found = -1;
    if (DIR *d = opendir("/proc/self/fd")) {
        while (dirent *e = readdir(d)) {
            char link[PATH_MAX] = {};
            std::string p = std::string("/proc/self/fd/") + e->d_name;
            if (readlink(p.c_str(), link, sizeof link - 1) > 0 && path == link) found = std::max(found, atoi(e->d_name));
        }
        closedir(d);
    }
    return found;
}

TEST_F(Files, WriteThroughWritesSynchronously) {
    HANDLE h = create("d:/sync.bin", CREATE_ALWAYS, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int fd = fdFor(std::filesystem::canonical(dir.path()).string() + "/sync.bin");
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(fcntl(fd, F_GETFL) & O_DSYNC);
    EXPECT_TRUE(CloseHandle(h));
    HANDLE plain = create("d:/plain.bin");
    fd = fdFor(std::filesystem::canonical(dir.path()).string() + "/plain.bin");
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(fcntl(fd, F_GETFL) & O_DSYNC);
    EXPECT_TRUE(CloseHandle(plain));
}

// What stands at a path, without following a link, and opens that neither follow one nor
// wait for a FIFO's reader.
TEST_F(Files, LinksFifosAndWhatAPathHolds) {
    std::ofstream(dir / "file") << "kept";
    symlink((dir / "file").c_str(), (dir / "link").c_str());
    symlink((dir / "made").c_str(), (dir / "dangling").c_str());
    mkfifo((dir / "fifo").c_str(), 0600);
    std::filesystem::create_directory(dir / "folder");
    EXPECT_EQ(GetFileAttributesA("d:/file"), (DWORD)FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(GetFileAttributesA("d:/link"), (DWORD)FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(GetFileAttributesA("d:/dangling"), (DWORD)FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(GetFileAttributesA("d:/fifo"), (DWORD)FILE_ATTRIBUTE_DEVICE);
    EXPECT_EQ(GetFileAttributesA("d:/folder"), (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA("d:/missing"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);

    const DWORD noFollow = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    for (const char *link : {"d:/link", "d:/dangling"}) {
        EXPECT_EQ(create(link, CREATE_ALWAYS, GENERIC_WRITE, noFollow), INVALID_HANDLE_VALUE) << link;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANT_RESOLVE_FILENAME) << link;
    }
    EXPECT_EQ(text("file"), "kept");
    EXPECT_FALSE(std::filesystem::exists(dir / "made"));
    HANDLE followed = create("d:/link", OPEN_EXISTING);
    ASSERT_NE(followed, INVALID_HANDLE_VALUE) << "without the flag a link is followed";
    EXPECT_EQ(GetFileType(followed), (DWORD)FILE_TYPE_DISK);
    EXPECT_TRUE(CloseHandle(followed));

    EXPECT_EQ(create("d:/fifo", CREATE_ALWAYS, GENERIC_WRITE, noFollow), INVALID_HANDLE_VALUE)
        << "no reader: the open fails at once";
    HANDLE reader = create("d:/fifo", OPEN_EXISTING, GENERIC_READ);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE) << "a reader opens without a writer";
    EXPECT_EQ(GetFileType(reader), (DWORD)FILE_TYPE_PIPE);
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_EQ(GetFileType(INVALID_HANDLE_VALUE), (DWORD)FILE_TYPE_UNKNOWN);
}

TEST_F(Files, FailuresTheWin32Way) {
    SetLastError(0);
    EXPECT_EQ(create("d:/missing.bin", OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(create("d:/no/such/folder.bin"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    std::filesystem::create_directory(dir / "folder");
    EXPECT_EQ(create("d:/folder"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(create("d:/x.bin", 99), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(create(nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

    HANDLE h = create("d:/once.bin", CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(create("d:/once.bin", CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    EXPECT_TRUE(CloseHandle(h));

    {
        std::ofstream(dir / "plain") << "x";
        ScopedEnv unmappable("VELA_DRIVE_D", dir / "plain/below");
        EXPECT_EQ(create("d:/cap.bmp"), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    }

    // A handle opened for reading refuses writes.
    HANDLE r = create("d:/once.bin", OPEN_EXISTING, GENERIC_READ);
    ASSERT_NE(r, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(write(r, "no"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_TRUE(CloseHandle(r));
}

TEST_F(Files, BadHandlesAreRefused) {
    HANDLE h = create("d:/a.bin");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    for (HANDLE bad : {h /* stale */, INVALID_HANDLE_VALUE, (HANDLE)nullptr, (HANDLE)GetStockObject(WHITE_BRUSH)}) {
        SetLastError(0);
        EXPECT_FALSE(write(bad, "x"));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    }
    h = create("d:/b.bin");
    DWORD written = 7;
    EXPECT_FALSE(WriteFile(h, nullptr, 4, &written, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(CloseHandle(h));
}

TEST_F(Files, FopenFollowsTheSameMapping) {
    FILE *f = fopen("d:/cap.ppm", "wb");
    ASSERT_NE(f, nullptr);
    fputs("P6", f);
    fclose(f);
    EXPECT_EQ(text("cap.ppm"), "P6");
    f = fopen("D:\\cap.ppm", "rb");
    ASSERT_NE(f, nullptr) << "letters in either case, either separator";
    fclose(f);

    std::ofstream(dir / "plain") << "x";
    ScopedEnv unmappable("VELA_DRIVE_D", dir / "plain/below");
    errno = 0;
    SetLastError(0);
    EXPECT_EQ(fopen("d:/cap.ppm", "wb"), nullptr);
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND) << "the same code CreateFileA gives";
    // Other paths go straight through.
    f = fopen((dir / "direct.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_TRUE(std::filesystem::exists(dir / "direct.txt"));
}

TEST_F(Files, StdioFailuresLeaveTheirWin32Code) {
    FILE *full = fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    setvbuf(full, nullptr, _IONBF, 0);
    SetLastError(0);
    EXPECT_EQ(fwrite("data", 4, 1, full), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DISK_FULL);
    fclose(full);
    SetLastError(0);
    EXPECT_EQ(fopen("d:/missing.ppm", "rb"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

TEST_F(Files, FullPathNamesTheMappedFile) {
    char full[PATH_MAX];
    char *part = nullptr;
    DWORD n = GetFullPathNameA("d:/sub/../cap.ppm", sizeof full, full, &part);
    std::string want = std::filesystem::absolute(dir / "cap.ppm").lexically_normal().string();
    EXPECT_EQ(std::string(full, n), want);
    ASSERT_NE(part, nullptr);
    EXPECT_STREQ(part, "cap.ppm");
    EXPECT_EQ(GetFullPathNameA("d:/cap.ppm", 4, full, nullptr), want.size() + 1) << "the size it needs";
    ScopedEnv elsewhere("VELA_DRIVE_D", dir / "not/made");
    n = GetFullPathNameA("D:\\x.bmp", sizeof full, full, nullptr);
    EXPECT_EQ(std::string(full, n), dir / "not/made/x.bmp");
    EXPECT_FALSE(std::filesystem::exists(dir / "not")) << "naming a file makes no folder";
}

TEST(FormatMessage, SystemTextsEndWithCrLf) {
    char text[128];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_PATH_NOT_FOUND,
                             0, text, sizeof text, nullptr);
    EXPECT_EQ(std::string(text, n), "The system cannot find the path specified.\r\n");
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_PATH_NOT_FOUND, 0, text, 10, nullptr), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 99999, 0, text, sizeof text, nullptr), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MR_MID_NOT_FOUND);
    vela::core::setLayerError(vela::core::kErrorNoDisplay, "cannot open the X display ':7'");
    EXPECT_EQ(GetLastError(), (DWORD)vela::core::kErrorNoDisplay);
    n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, GetLastError(), 0, text, sizeof text, nullptr);
    EXPECT_EQ(std::string(text, n), "cannot open the X display ':7'\r\n") << "the layer's own codes";
}

}  // namespace
