// ANSI text as a Japanese Windows reads it: code page 932.
#pragma once

#include <string>

namespace vela::core {

// CP932 bytes to UTF-8; a byte sequence that is not CP932 becomes U+FFFD, never a cut.
std::string ansiToUtf8(const std::string &ansi);

}  // namespace vela::core
