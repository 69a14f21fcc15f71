#include "core/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace vela::core {

std::string ansiToUtf8(const std::string &ansi) {
    static iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string out;
    if (cd == (iconv_t)-1) {
        // No converter: keep ASCII, replace the rest.
        for (unsigned char c : ansi) out += c < 0x80 ? std::string(1, (char)c) : "\xEF\xBF\xBD";
        return out;
    }
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
