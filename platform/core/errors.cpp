// Errors the Win32 way: the last-error code, the layer's own codes, and their texts.
//
// Supported: GetLastError/SetLastError; FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, with or
// without IGNORE_INSERTS) into the caller's buffer, for the codes the layer sets.
// Not supported: message tables of modules, inserts, FORMAT_MESSAGE_ALLOCATE_BUFFER.
#include "core/state.h"

#include <cstring>

namespace vela::core {

void setLayerError(LayerError code, const std::string &text) {
    state().errors.layerTexts[code] = text;
    SetLastError(code);
}

const std::string *layerErrorText(DWORD code) {
    auto &texts = state().errors.layerTexts;
    auto it = texts.find(code);
    return it == texts.end() ? nullptr : &it->second;
}

}  // namespace vela::core

using namespace vela::core;

// NOTE: one last error for the process, not one a thread: the layer runs on one thread.
extern "C" DWORD WINAPI GetLastError(void) { return state().errors.last; }
extern "C" void WINAPI SetLastError(DWORD code) { state().errors.last = code; }

extern "C" DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size,
                                       va_list *) {
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & (FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING)) ||
        !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    static const struct {
        DWORD code;
        const char *text;
    } texts[] = {
        {ERROR_SUCCESS, "The operation completed successfully."},
        {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
        {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
        {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
        {ERROR_ACCESS_DENIED, "Access is denied."},
        {ERROR_INVALID_HANDLE, "The handle is invalid."},
        {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
        {ERROR_INVALID_DATA, "The data is invalid."},
        {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
        {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
        {ERROR_FILE_EXISTS, "The file exists."},
        {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
        {ERROR_DISK_FULL, "There is not enough space on the disk."},
        {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system."},
        {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
        {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
        {ERROR_FILE_TOO_LARGE, "The file size exceeds the limit allowed and cannot be saved."},
        {ERROR_RESOURCE_TYPE_NOT_FOUND, "The specified resource type cannot be found in the image file."},
        {ERROR_RESOURCE_NAME_NOT_FOUND, "The specified resource name cannot be found in the image file."},
        {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
        {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
        {ERROR_TLW_WITH_WSCHILD, "Cannot create a top-level child window."},
        {ERROR_CANNOT_FIND_WND_CLASS, "Cannot find window class."},
        {ERROR_CLASS_ALREADY_EXISTS, "Class already exists."},
        {ERROR_INVALID_INDEX, "Invalid index."},
        {ERROR_NO_SYSTEM_RESOURCES, "Insufficient system resources exist to complete the requested service."},
        {ERROR_CANT_RESOLVE_FILENAME, "The name of the file cannot be resolved by the system."},
        {ERROR_INVALID_PIXEL_FORMAT, "The pixel format is invalid."},
    };
    const char *text = nullptr;
    if (const std::string *own = layerErrorText(messageId)) text = own->c_str();
    for (const auto &t : texts)
        if (t.code == messageId) text = t.text;
    if (text) {
        size_t n = std::strlen(text) + 2;  // Windows ends system messages with CR LF
        if (n + 1 > size) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(buffer, text, n - 2);
        std::memcpy(buffer + n - 2, "\r\n", 3);
        return (DWORD)n;
    }
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
}
