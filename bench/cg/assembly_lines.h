// The instructions of an ARB program text: its lines but the header, declarations, comments
// and END.
#pragma once

#include <string>

namespace vela::bench {

inline int instructionCount(const std::string &assembly) {
    int n = 0;
    size_t start = 0;
    while (start < assembly.size()) {
        size_t end = assembly.find('\n', start);
        std::string line = assembly.substr(start, end - start);
        if (!line.empty() && line[0] != '#' && line.rfind("!!", 0) != 0 && line.rfind("PARAM", 0) != 0 && line.rfind("TEMP", 0) != 0 &&
            line.rfind("ADDRESS", 0) != 0 && line.rfind("OPTION", 0) != 0 && line != "END")
            ++n;
        start = end == std::string::npos ? assembly.size() : end + 1;
    }
    return n;
}

}  // namespace vela::bench
