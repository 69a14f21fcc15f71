#include "core/codepage.h"

#include "core/state.h"

#include <cerrno>
#include <iconv.h>

namespace vela::core {

std::string ansiToUtf8(const std::string &ansi) {
    bool ascii = true;
    for (unsigned char c : ansi) ascii = ascii && c < 0x80;
    // ASCII is the same in both, and most window texts are ASCII: no converter for them.
    if (ascii) return ansi;
    State &s = state();
    if (!s.cp932) {
        iconv_t cd = iconv_open("UTF-8", "CP932");
        s.cp932 = cd == (iconv_t)-1 ? nullptr : cd;
    }
    std::string out;
    if (!s.cp932) {
        // No converter: keep ASCII, replace the rest.
        for (unsigned char c : ansi) out += c < 0x80 ? std::string(1, (char)c) : "\xEF\xBF\xBD";
        return out;
    }
    iconv_t cd = static_cast<iconv_t>(s.cp932);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(ansi.data());
    size_t inLeft = ansi.size();
    char buf[256];
    while (inLeft > 0) {
        char *o = buf;
        size_t outLeft = sizeof buf;
        size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
        out.append(buf, o - buf);
        if (r == (size_t)-1) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a lead byte at the end): one replacement, skip one byte.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

}  // namespace vela::core
