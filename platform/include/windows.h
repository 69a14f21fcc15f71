// Vela's Win32 subset for Linux: the part of <windows.h> that the application uses,
// with Win32's names, types, constants and sizes. Handles are opaque; no X11 type
// appears here. The implementation lives in platform/core (no display) and
// platform/x11 (the display backend).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdarg.h>
#include <stdio.h>

#ifdef __cplusplus
#define VELA_EXTERN_C extern "C"
#else
#define VELA_EXTERN_C
#endif

// Calling conventions: x86-64 Linux has one.
#define WINAPI
#define CALLBACK
#define APIENTRY
#define APIENTRYP APIENTRY *

// Basic types. LONG and DWORD are 32-bit as on Windows; WPARAM/LPARAM pointer-sized.
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD;
typedef int LONG;
typedef unsigned int UINT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef ULONG_PTR DWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef DWORD *LPDWORD;
typedef INT_PTR(WINAPI *PROC)(void);

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#ifndef NULL
#define NULL 0
#endif

#define DECLARE_HANDLE(name) \
    struct name##__ { int unused; }; \
    typedef struct name##__ *name
typedef void *HANDLE;
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HGLRC);
DECLARE_HANDLE(HICON);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HBITMAP);
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;
typedef void *HGDIOBJ;

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

#define MAKELONG(a, b) ((LONG)(((WORD)((DWORD_PTR)(a) & 0xffff)) | ((DWORD)((WORD)((DWORD_PTR)(b) & 0xffff))) << 16))
#define LOWORD(l) ((WORD)((DWORD_PTR)(l) & 0xffff))
#define HIWORD(l) ((WORD)((DWORD_PTR)(l) >> 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

typedef struct tagPOINT { LONG x, y; } POINT, *LPPOINT;
typedef struct tagSIZE { LONG cx, cy; } SIZE, *LPSIZE;
typedef struct tagRECT { LONG left, top, right, bottom; } RECT, *LPRECT;

// ---- Errors (kernel32) ----------------------------------------------------------
#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_TOO_MANY_OPEN_FILES 4
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_DATA 13
#define ERROR_WRITE_FAULT 29
#define ERROR_GEN_FAILURE 31
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_DISK_FULL 112
#define ERROR_CALL_NOT_IMPLEMENTED 120
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_ALREADY_EXISTS 183
#define ERROR_FILE_TOO_LARGE 223
#define ERROR_FILENAME_EXCED_RANGE 206
#define ERROR_MR_MID_NOT_FOUND 317
#define ERROR_CANT_RESOLVE_FILENAME 1921
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_CANNOT_FIND_WND_CLASS 1407
#define ERROR_TLW_WITH_WSCHILD 1406
#define ERROR_CLASS_ALREADY_EXISTS 1410
#define ERROR_INVALID_INDEX 1413
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814
#define ERROR_INVALID_PIXEL_FORMAT 2000
#define ERROR_NO_SYSTEM_RESOURCES 1450

VELA_EXTERN_C DWORD WINAPI GetLastError(void);
VELA_EXTERN_C void WINAPI SetLastError(DWORD code);
VELA_EXTERN_C HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
VELA_EXTERN_C void WINAPI Sleep(DWORD milliseconds);
VELA_EXTERN_C DWORD WINAPI GetTickCount(void);

// ---- Files (kernel32) -------------------------------------------------------------
// NOTE: a path that starts with a drive letter and a colon ("d:/x") names a file in
// that drive's folder: $VELA_DRIVE_<LETTER> where set, else drive_<letter>/ in the
// working directory (created when missing). fopen follows the same rule.
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x1
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_DEVICE 0x40
#define FILE_ATTRIBUTE_NORMAL 0x80
#define FILE_ATTRIBUTE_REPARSE_POINT 0x400
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_OPEN_REPARSE_POINT 0x00200000u
#define FILE_TYPE_UNKNOWN 0
#define FILE_TYPE_DISK 1
#define FILE_TYPE_CHAR 2
#define FILE_TYPE_PIPE 3

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
typedef struct _OVERLAPPED *LPOVERLAPPED;

VELA_EXTERN_C HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                        LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                                        DWORD flagsAndAttributes, HANDLE templateFile);
VELA_EXTERN_C BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite,
                                    LPDWORD bytesWritten, LPOVERLAPPED overlapped);
VELA_EXTERN_C BOOL WINAPI CloseHandle(HANDLE object);
// A symbolic link is a reparse point; a FIFO, socket or device has FILE_ATTRIBUTE_DEVICE.
VELA_EXTERN_C DWORD WINAPI GetFileAttributesA(LPCSTR fileName);
VELA_EXTERN_C DWORD WINAPI GetFileType(HANDLE file);
VELA_EXTERN_C DWORD WINAPI GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR *filePart);

// Only FORMAT_MESSAGE_FROM_SYSTEM (with IGNORE_INSERTS) into the caller's buffer. Besides the
// system's codes it knows the layer's own (bit 29 set, as Win32 leaves for applications),
// such as "cannot open the X display ':0'".
#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
VELA_EXTERN_C DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                                          LPSTR buffer, DWORD size, va_list *arguments);

// ---- Window classes and windows (user32) ----------------------------------------------
typedef LRESULT(CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008

typedef struct tagWNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASSA;

typedef struct tagCREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTA;

typedef struct tagWINDOWPOS {
    HWND hwnd;
    HWND hwndInsertAfter;
    int x, y, cx, cy;
    UINT flags;
} WINDOWPOS;

typedef struct tagMINMAXINFO {
    POINT ptReserved, ptMaxSize, ptMaxPosition, ptMinTrackSize, ptMaxTrackSize;
} MINMAXINFO;

typedef struct tagNCCALCSIZE_PARAMS {
    RECT rgrc[3];
    WINDOWPOS *lppos;
} NCCALCSIZE_PARAMS;

#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW \
    (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_NOACTIVATE 0x08000000L
#define CW_USEDEFAULT ((int)0x80000000)

#define GWL_HINSTANCE (-6)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_ID (-12)
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_USERDATA (-21)
#define GWLP_ID (-12)

#define SW_HIDE 0
#define SW_SHOW 5

VELA_EXTERN_C ATOM WINAPI RegisterClassA(const WNDCLASSA *wndClass);
VELA_EXTERN_C BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance);
VELA_EXTERN_C HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName,
                                          DWORD style, int x, int y, int width, int height,
                                          HWND parent, HMENU menu, HINSTANCE instance,
                                          LPVOID param);
VELA_EXTERN_C BOOL WINAPI DestroyWindow(HWND hwnd);
VELA_EXTERN_C BOOL WINAPI IsWindow(HWND hwnd);
VELA_EXTERN_C BOOL WINAPI IsWindowVisible(HWND hwnd);
VELA_EXTERN_C BOOL WINAPI IsWindowEnabled(HWND hwnd);
VELA_EXTERN_C BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable);
VELA_EXTERN_C BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow);
VELA_EXTERN_C BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect);
VELA_EXTERN_C BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect);
VELA_EXTERN_C BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu);
VELA_EXTERN_C BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
VELA_EXTERN_C HWND WINAPI GetParent(HWND hwnd);
VELA_EXTERN_C BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text);
VELA_EXTERN_C int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int maxCount);
VELA_EXTERN_C LONG WINAPI GetWindowLongA(HWND hwnd, int index);
VELA_EXTERN_C LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index);
VELA_EXTERN_C LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
VELA_EXTERN_C int WINAPI GetDlgCtrlID(HWND hwnd);
VELA_EXTERN_C BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point);
VELA_EXTERN_C BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT point);
VELA_EXTERN_C HWND WINAPI SetFocus(HWND hwnd);
VELA_EXTERN_C HWND WINAPI GetFocus(void);
VELA_EXTERN_C HWND WINAPI SetCapture(HWND hwnd);
VELA_EXTERN_C BOOL WINAPI ReleaseCapture(void);
VELA_EXTERN_C HWND WINAPI GetCapture(void);
VELA_EXTERN_C int WINAPI GetSystemMetrics(int index);

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXFRAME 32
#define SM_CYFRAME 33
#define SM_CYCAPTION 4

// ---- Messages ---------------------------------------------------------------------
typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_ACTIVATEAPP 0x001C
#define WM_SETCURSOR 0x0020
#define WM_MOUSEACTIVATE 0x0021
#define WM_GETMINMAXINFO 0x0024
#define WM_WINDOWPOSCHANGING 0x0046
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCCALCSIZE 0x0083
#define WM_NCHITTEST 0x0084
#define WM_NCACTIVATE 0x0086
#define WM_GETDLGCODE 0x0087
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSCHAR 0x0106
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_MOUSELAST 0x020E
#define WM_CAPTURECHANGED 0x0215
#define WM_USER 0x0400
#define WM_APP 0x8000

#define SC_CLOSE 0xF060
#define HTCLIENT 1
#define MA_ACTIVATE 1
#define MA_NOACTIVATE 3
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define WHEEL_DELTA 120

#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

#define SIZE_RESTORED 0
#define WA_ACTIVE 1

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_WANTCHARS 0x0080

// Virtual-key codes.
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_DELETE 0x2E
#define VK_F1 0x70
#define VK_F4 0x73

VELA_EXTERN_C BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
VELA_EXTERN_C BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax,
                                       UINT removeMsg);
VELA_EXTERN_C BOOL WINAPI TranslateMessage(const MSG *msg);
VELA_EXTERN_C LRESULT WINAPI DispatchMessageA(const MSG *msg);
VELA_EXTERN_C BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
VELA_EXTERN_C LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
VELA_EXTERN_C void WINAPI PostQuitMessage(int exitCode);
VELA_EXTERN_C LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
VELA_EXTERN_C LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam);

// ---- Painting ---------------------------------------------------------------------
typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

VELA_EXTERN_C BOOL WINAPI InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase);
VELA_EXTERN_C BOOL WINAPI ValidateRect(HWND hwnd, const RECT *rect);
VELA_EXTERN_C HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT paint);
VELA_EXTERN_C BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT *paint);
VELA_EXTERN_C HDC WINAPI GetDC(HWND hwnd);
VELA_EXTERN_C int WINAPI ReleaseDC(HWND hwnd, HDC hdc);
VELA_EXTERN_C HWND WINAPI WindowFromDC(HDC hdc);
VELA_EXTERN_C int WINAPI FillRect(HDC hdc, const RECT *rect, HBRUSH brush);

// ---- Stock objects, icons, cursors, resources ----------------------------------------
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDC_ARROW MAKEINTRESOURCEA(32512)

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define NULL_BRUSH 5

#define COLOR_WINDOW 5
#define COLOR_BTNFACE 15

#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define LR_DEFAULTCOLOR 0x0000
#define LR_LOADFROMFILE 0x0010

#define RT_BITMAP MAKEINTRESOURCEA(2)

VELA_EXTERN_C HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
VELA_EXTERN_C HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
VELA_EXTERN_C HGDIOBJ WINAPI GetStockObject(int index);
VELA_EXTERN_C HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy,
                                       UINT flags);
VELA_EXTERN_C BOOL WINAPI DeleteObject(HGDIOBJ object);
VELA_EXTERN_C int WINAPI GetObjectA(HANDLE object, int size, LPVOID buffer);
VELA_EXTERN_C HDC WINAPI CreateCompatibleDC(HDC hdc);
VELA_EXTERN_C BOOL WINAPI DeleteDC(HDC hdc);
VELA_EXTERN_C int WINAPI GetDeviceCaps(HDC hdc, int index);

#define BITSPIXEL 12
#define PLANES 14
#define HORZRES 8
#define VERTRES 10

// ---- Bitmaps and DIBs (gdi32) ----------------------------------------------------------
#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP;

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

#define BI_RGB 0
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

VELA_EXTERN_C int WINAPI GetDIBits(HDC hdc, HBITMAP bitmap, UINT startScan, UINT scanLines,
                                   LPVOID bits, LPBITMAPINFO info, UINT usage);

// ---- Pixel formats and WGL ---------------------------------------------------------------
typedef struct tagPIXELFORMATDESCRIPTOR {
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits;
    BYTE cRedShift;
    BYTE cGreenBits;
    BYTE cGreenShift;
    BYTE cBlueBits;
    BYTE cBlueShift;
    BYTE cAlphaBits;
    BYTE cAlphaShift;
    BYTE cAccumBits;
    BYTE cAccumRedBits;
    BYTE cAccumGreenBits;
    BYTE cAccumBlueBits;
    BYTE cAccumAlphaBits;
    BYTE cDepthBits;
    BYTE cStencilBits;
    BYTE cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask;
    DWORD dwVisibleMask;
    DWORD dwDamageMask;
} PIXELFORMATDESCRIPTOR, *LPPIXELFORMATDESCRIPTOR;

#define PFD_TYPE_RGBA 0
#define PFD_MAIN_PLANE 0
#define PFD_DOUBLEBUFFER 0x00000001
#define PFD_STEREO 0x00000002
#define PFD_DRAW_TO_WINDOW 0x00000004
#define PFD_SUPPORT_OPENGL 0x00000020
#define PFD_GENERIC_FORMAT 0x00000040
#define PFD_DEPTH_DONTCARE 0x20000000
#define PFD_DOUBLEBUFFER_DONTCARE 0x40000000

VELA_EXTERN_C int WINAPI ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR *pfd);
VELA_EXTERN_C BOOL WINAPI SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR *pfd);
VELA_EXTERN_C int WINAPI GetPixelFormat(HDC hdc);
VELA_EXTERN_C int WINAPI DescribePixelFormat(HDC hdc, int format, UINT bytes,
                                             LPPIXELFORMATDESCRIPTOR pfd);
VELA_EXTERN_C BOOL WINAPI SwapBuffers(HDC hdc);
VELA_EXTERN_C HGLRC WINAPI wglCreateContext(HDC hdc);
VELA_EXTERN_C BOOL WINAPI wglDeleteContext(HGLRC hglrc);
VELA_EXTERN_C BOOL WINAPI wglMakeCurrent(HDC hdc, HGLRC hglrc);
VELA_EXTERN_C HGLRC WINAPI wglGetCurrentContext(void);
VELA_EXTERN_C HDC WINAPI wglGetCurrentDC(void);
VELA_EXTERN_C PROC WINAPI wglGetProcAddress(LPCSTR name);

// ---- Controls: combo box ----------------------------------------------------------------
#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_SORT 0x0100L

#define CB_ERR (-1)
#define CB_OKAY 0

#define CB_GETEDITSEL 0x0140
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRING 0x014C
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_GETDROPPEDCONTROLRECT 0x0152
#define CB_GETITEMHEIGHT 0x0154
#define CB_GETDROPPEDSTATE 0x0157
#define CB_FINDSTRINGEXACT 0x0158

#define CBN_SELCHANGE 1
#define CBN_SETFOCUS 3
#define CBN_KILLFOCUS 4
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8
#define CBN_SELENDOK 9
#define CBN_SELENDCANCEL 10

// ---- Message boxes -------------------------------------------------------------------
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_TYPEMASK 0x0000000FL
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFMASK 0x00000F00L

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

VELA_EXTERN_C int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
