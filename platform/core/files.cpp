// Files (kernel32) and the drive-letter mapping that lets Win32 paths such as
// "d:/cap.ppm" work on Linux, for CreateFileA and for the C library's fopen.
//
// Supported:
//  - CreateFileA with GENERIC_READ/GENERIC_WRITE, all five creation dispositions,
//    FILE_FLAG_WRITE_THROUGH (data and the file's name durable when CloseHandle returns),
//    FILE_FLAG_OPEN_REPARSE_POINT (a symbolic link is never followed: the open fails);
//    ERROR_ALREADY_EXISTS after CREATE_ALWAYS/OPEN_ALWAYS replaced or opened a file;
//    a FIFO never blocks the open
//  - WriteFile (synchronous), CloseHandle of files, GetFileType
//  - GetFileAttributesA: read-only, folder, reparse point (a symbolic link, not followed),
//    device (FIFOs, sockets and devices), else normal
//  - drive letters: "x:/path" or "x:\path" is path inside $VELA_DRIVE_X, else ./drive_x,
//    the folder made when missing; the same mapping for fopen (link with --wrap=fopen)
// Not supported: share modes (NOTE: not enforced), overlapped I/O, templates, ReadFile.
#include "core/core.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vela::core {
namespace {

struct File : Object {
    static constexpr Kind kKind = Kind::File;
    File() : Object(Kind::File) {}
    ~File() override {
        if (fd >= 0) ::close(fd);
    }
    int fd = -1;
    bool writeThrough = false;
};

bool isDrivePath(const char *path) {
    return path && std::isalpha((unsigned char)path[0]) && path[1] == ':';
}

DWORD win32Error(int err) {
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT:
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBADF: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EIO: return ERROR_WRITE_FAULT;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    default: return ERROR_GEN_FAILURE;
    }
}

// A missing file in an existing folder is "file not found"; a missing folder is "path".
DWORD notFoundError(const std::string &path) {
    std::string dir = std::filesystem::path(path).parent_path().string();
    struct stat st;
    return ::stat(dir.empty() ? "." : dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND
                                                                                     : ERROR_PATH_NOT_FOUND;
}

bool syncFolderOf(const std::string &path) {
    std::string dir = std::filesystem::path(path).parent_path().string();
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

bool mapPath(const char *path, std::string &out, bool create) {
    if (!path) {
        errno = EINVAL;
        return false;
    }
    if (!isDrivePath(path)) {
        out = path;
        return true;
    }
    char letter = (char)std::toupper((unsigned char)path[0]);
    std::string variable = std::string("VELA_DRIVE_") + letter;
    const char *env = std::getenv(variable.c_str());
    std::string folder = env && *env ? env : std::string("drive_") + (char)std::tolower((unsigned char)letter);
    if (create) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        struct stat st;
        if (::stat(folder.c_str(), &st) != 0) {
            errno = ec ? ec.value() : errno;
            return false;
        }
        if (!S_ISDIR(st.st_mode)) {
            errno = ENOTDIR;
            return false;
        }
    }
    // The rest of the path, with both separators, never climbing above the drive's root.
    std::vector<std::string> parts;
    std::string part;
    for (const char *p = path + 2;; ++p) {
        if (*p == '/' || *p == '\\' || *p == 0) {
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            part.clear();
            if (*p == 0) break;
        } else {
            part += *p;
        }
    }
    out = folder;
    for (const std::string &p : parts) out += "/" + p;
    return true;
}

}  // namespace vela::core

using namespace vela::core;

extern "C" HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition,
                                     DWORD flags, HANDLE) {
    if (!name || !*name) {
        SetLastError(name ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    int oflags = O_CLOEXEC;
    const bool canRead = access & GENERIC_READ, canWrite = access & GENERIC_WRITE;
    oflags |= canWrite ? (canRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW: oflags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: oflags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: oflags |= O_CREAT; break;
    case TRUNCATE_EXISTING: oflags |= O_TRUNC; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    if ((oflags & O_TRUNC) && !canWrite) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (flags & FILE_FLAG_WRITE_THROUGH) oflags |= O_DSYNC;
    const bool noFollow = flags & FILE_FLAG_OPEN_REPARSE_POINT;
    // NOTE: Win32 would open the link itself; there is no such thing here, so the open fails.
    if (noFollow) oflags |= O_NOFOLLOW;
    std::string path;
    if (!mapPath(name, path)) {
        SetLastError(win32Error(errno));
        return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    const bool existed = (noFollow ? ::lstat(path.c_str(), &st) : ::stat(path.c_str(), &st)) == 0;
    if (existed && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);  // as Win32 answers for a folder
        return INVALID_HANDLE_VALUE;
    }
    // Non-blocking only while opening: a FIFO without a reader would otherwise wait for one.
    int fd = ::open(path.c_str(), oflags | O_NONBLOCK, 0666);
    if (fd < 0) {
        int err = errno;
        SetLastError(err == ENOENT ? notFoundError(path) : win32Error(err));
        return INVALID_HANDLE_VALUE;
    }
    if (int fl = ::fcntl(fd, F_GETFL); fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) {
        SetLastError(win32Error(errno));
        ::close(fd);
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_unique<File>();
    file->fd = fd;
    file->writeThrough = flags & FILE_FLAG_WRITE_THROUGH;
    // A new file's name must be on disk too before its data counts as written through.
    if (file->writeThrough && !existed && !syncFolderOf(path)) {
        SetLastError(win32Error(errno));
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = toHandle<HANDLE>(addObject(std::move(file)));
    SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                         : ERROR_SUCCESS);
    return handle;
}

extern "C" BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                                 LPOVERLAPPED overlapped) {
    if (bytesWritten) *bytesWritten = 0;
    File *file = find<File>(handle);
    if (!file) return FALSE;
    if (overlapped || (!buffer && bytesToWrite)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const char *p = static_cast<const char *>(buffer);
    DWORD done = 0;
    while (done < bytesToWrite) {
        ssize_t n = ::write(file->fd, p + done, bytesToWrite - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (bytesWritten) *bytesWritten = done;
            SetLastError(n < 0 ? win32Error(errno) : ERROR_DISK_FULL);
            return FALSE;
        }
        done += (DWORD)n;
    }
    if (bytesWritten) *bytesWritten = done;
    return TRUE;
}

extern "C" DWORD WINAPI GetFileType(HANDLE handle) {
    File *file = find<File>(handle);
    struct stat st;
    if (!file || ::fstat(file->fd, &st) != 0) return FILE_TYPE_UNKNOWN;
    SetLastError(ERROR_SUCCESS);  // FILE_TYPE_UNKNOWN is also a type
    if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) return FILE_TYPE_DISK;
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return FILE_TYPE_PIPE;
    return FILE_TYPE_CHAR;
}

// NOTE: never follows a symbolic link, as Win32 reports a link as a reparse point.
extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(name ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string path;
    struct stat st;
    if (!mapPath(name, path, false) || ::lstat(path.c_str(), &st) != 0) {
        int err = errno;
        SetLastError(err == ENOENT ? notFoundError(path) : win32Error(err));
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISLNK(st.st_mode)) return FILE_ATTRIBUTE_REPARSE_POINT;
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    if (!S_ISREG(st.st_mode)) return FILE_ATTRIBUTE_DEVICE;
    return ::access(path.c_str(), W_OK) == 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

extern "C" BOOL WINAPI CloseHandle(HANDLE handle) {
    File *file = find<File>(handle);
    if (!file) return FALSE;
    int err = 0;
    if (file->writeThrough && ::fsync(file->fd) != 0) err = errno;
    if (::close(file->fd) != 0 && !err && errno != EINTR) err = errno;
    file->fd = -1;
    removeObject(file->id);
    if (err) {
        SetLastError(win32Error(err));
        return FALSE;
    }
    return TRUE;
}

// The C library's stdio as the application's own objects reach it, through the linker's
// --wrap: drive paths are mapped for fopen, and a failure leaves its Win32 code for
// GetLastError, as the Windows C runtime's calls of the file API do. Without --wrap the
// __real_ functions stay null.
extern "C" FILE *__real_fopen(const char *path, const char *mode) __attribute__((weak));
extern "C" size_t __real_fwrite(const void *data, size_t size, size_t count, FILE *stream) __attribute__((weak));
extern "C" int __real_fclose(FILE *stream) __attribute__((weak));

extern "C" FILE *__wrap_fopen(const char *path, const char *mode) {
    std::string mapped;
    if (isDrivePath(path)) {
        if (!mapPath(path, mapped)) {
            SetLastError(win32Error(errno));
            return nullptr;
        }
        path = mapped.c_str();
    }
    FILE *f = __real_fopen ? __real_fopen(path, mode) : std::fopen(path, mode);
    if (!f) SetLastError(errno == ENOENT && path ? notFoundError(path) : win32Error(errno));
    return f;
}

extern "C" size_t __wrap_fwrite(const void *data, size_t size, size_t count, FILE *stream) {
    errno = 0;
    size_t n = __real_fwrite ? __real_fwrite(data, size, count, stream) : std::fwrite(data, size, count, stream);
    if (n < count) SetLastError(errno ? win32Error(errno) : ERROR_WRITE_FAULT);
    return n;
}

extern "C" int __wrap_fclose(FILE *stream) {
    errno = 0;
    int r = __real_fclose ? __real_fclose(stream) : std::fclose(stream);
    if (r != 0) SetLastError(errno ? win32Error(errno) : ERROR_WRITE_FAULT);
    return r;
}

// NOTE: no existence check and no 8.3 names, as Win32; a drive path gives the file the
// mapping names, its folder not made.
extern "C" DWORD WINAPI GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR *filePart) {
    if (filePart) *filePart = nullptr;
    if (!name || !*name) {
        SetLastError(name ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string path;
    if (!mapPath(name, path, false)) {
        SetLastError(win32Error(errno));
        return 0;
    }
    std::error_code ec;
    std::string full = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec) {
        SetLastError(win32Error(ec.value()));
        return 0;
    }
    if (!buffer || full.size() + 1 > size) return (DWORD)full.size() + 1;
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    if (filePart) {
        size_t slash = full.rfind('/');
        *filePart = slash + 1 < full.size() ? buffer + slash + 1 : nullptr;
    }
    return (DWORD)full.size();
}
