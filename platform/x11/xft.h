// libXft and libfontconfig, opened with dlopen when the controls first draw or measure
// text: the first frame needs neither, and they bring freetype, expat, libpng and more.
#pragma once

#include <X11/Xft/Xft.h>

#include <string>

namespace vela::x11 {

#define VELA_XFT_FUNCTIONS(X)                                                                                  \
    X(FcNameParse) X(FcPatternAddDouble) X(FcConfigSubstitute) X(FcFontSort) X(FcFontRenderPrepare)            \
    X(FcPatternDestroy) X(FcPatternGetCharSet) X(FcCharSetHasChar) X(FcFontSetDestroy) X(XftDefaultSubstitute) \
    X(XftFontOpenPattern) X(XftFontClose) X(XftCharExists) X(XftTextExtentsUtf8) X(XftColorAllocValue)          \
    X(XftColorFree) X(XftDrawCreate) X(XftDrawDestroy) X(XftDrawSetClipRectangles) X(XftDrawSetClip)            \
    X(XftDrawStringUtf8)

struct XftLib {
#define VELA_XFT_POINTER(name) decltype(&::name) name = nullptr;
    VELA_XFT_FUNCTIONS(VELA_XFT_POINTER)
#undef VELA_XFT_POINTER
};

// Loads the two libraries' entry points; false, with the reason in `why`, when it can't.
// NOTE: never unloaded: fontconfig keeps process-wide state of its own.
bool loadXft(XftLib &lib, std::string &why);

}  // namespace vela::x11
