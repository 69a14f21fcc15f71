// vela-cgc: the shader compiler on the command line, for checking a program text without
// the window. The assembly goes to standard output (or -o file); diagnostics to standard
// error, each "file:line:column: error: ..." with the source line and a caret.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "compiler.h"

namespace {

const char usage[] =
    "usage: vela-cgc -profile arbvp1|arbfp1 [-entry name] [-DNAME[=value]] [-UNAME] [-I dir]\n"
    "                [-o file] [-dump lower|opt|alloc] [-packuniforms] file\n"
    "  Compiles the program in `file` (- for standard input) and prints its ARB assembly;\n"
    "  the exit status is 0 when it compiles, 1 when it does not.\n"
    "  -I dir   looks for #include files in dir too (after the including file's folder)\n"
    "  -o file  writes the assembly to file instead of standard output\n"
    "  -dump    prints the compiler's IR after that pass instead\n"
    "  -packuniforms  lets scalars and short vectors share program.local slots, and leaves\n"
    "           what uniforms alone compute to the runtime (the steps in the comments at the\n"
    "           top); a host that writes program.local itself must not use it\n"
    "  -po/-profileopts list, -O0..-O3, -fastmath and -nofastmath are accepted for hosts\n"
    "  that pass them and change nothing.\n";

int fail(const std::string &message) {
    std::fprintf(stderr, "vela-cgc: %s\n%s", message.c_str(), usage);
    return 1;
}

// The whole input, up to one byte past the compiler's limit (so that an endless stream
// ends in the compiler's own "too long" message instead of exhausting memory).
bool readBounded(std::FILE *in, std::string &text) {
    char buffer[65536];
    size_t bound = vela::cg::limits::textBytes + 1;
    while (text.size() < bound) {
        size_t n = std::fread(buffer, 1, std::min(sizeof buffer, bound - text.size()), in);
        if (n == 0) break;
        text.append(buffer, n);
    }
    return !std::ferror(in);
}

bool writeAll(std::FILE *out, const std::string &text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0;
}

}  // namespace

int main(int argc, char **argv) {
    std::string profile, entry = "main", file, dumpName, output;
    std::vector<std::string> options;
    bool haveFile = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        bool takesValue = a == "-profile" || a == "-entry" || a == "-dump" || a == "-o" || a == "-I" || a == "-po" ||
                          a == "-profileopts";
        if (takesValue && i + 1 >= argc) return fail(a + " needs a value");
        if (a == "-profile") profile = argv[++i];
        else if (a == "-entry") entry = argv[++i];
        else if (a == "-dump") dumpName = argv[++i];
        else if (a == "-o") output = argv[++i];
        else if (a == "-I") options.push_back("-I" + std::string(argv[++i]));
        else if (a == "-po" || a == "-profileopts") options.push_back("-po=" + std::string(argv[++i]));
        else if (a == "-packuniforms") options.push_back(a);
        else if (a.rfind("-D", 0) == 0 || a.rfind("-U", 0) == 0 || a.rfind("-I", 0) == 0) options.push_back(a);
        else if (a == "-O0" || a == "-O1" || a == "-O2" || a == "-O3" || a == "-fastmath" || a == "-nofastmath") continue;
        else if (a == "-" || a[0] != '-') {
            if (haveFile) return fail("one program file at a time");
            file = a;
            haveFile = true;
        } else {
            return fail("unknown option '" + a + "'");
        }
    }
    const vela::cg::ProfileDesc *desc = vela::cg::findProfile(profile);
    if (!desc) return fail("-profile arbvp1 or -profile arbfp1 is needed");
    if (!haveFile) return fail("no program file");
    vela::cg::Dump dump = vela::cg::Dump::None;
    if (dumpName == "lower") dump = vela::cg::Dump::Lower;
    else if (dumpName == "opt") dump = vela::cg::Dump::Optimize;
    else if (dumpName == "alloc") dump = vela::cg::Dump::Allocate;
    else if (!dumpName.empty()) return fail("-dump takes lower, opt or alloc, not '" + dumpName + "'");

    std::string text;
    std::FILE *in = file == "-" ? stdin : std::fopen(file.c_str(), "rb");
    if (!in || !readBounded(in, text)) {
        std::fprintf(stderr, "vela-cgc: cannot read '%s': %s\n", file.c_str(), std::strerror(errno));
        return 1;
    }
    if (in != stdin) std::fclose(in);

    vela::cg::SourceFiles files;
    files.name = file == "-" ? "<stdin>" : file;
    vela::cg::CompileResult r = vela::cg::compile(text, desc->id, entry, options, files, dump);
    // Warnings of a program that compiles, or the errors of one that does not.
    if (!r.diagnostics.empty() && !writeAll(stderr, vela::cg::formatListing(r.diagnostics, files.name)) && !r.ok) return 1;
    if (!r.ok) return 1;
    const std::string &out = dump == vela::cg::Dump::None ? r.assembly : r.dump;
    if (output.empty()) {
        if (writeAll(stdout, out)) return 0;
        std::fprintf(stderr, "vela-cgc: cannot write the output: %s\n", std::strerror(errno));
        return 1;
    }
    // A partial file we made is removed; anything that was there before is left as it is.
    struct stat before;
    bool existed = ::stat(output.c_str(), &before) == 0;
    std::FILE *o = std::fopen(output.c_str(), "wb");
    bool written = o && writeAll(o, out);
    int error = errno;
    if (o && std::fclose(o) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written) return 0;
    std::fprintf(stderr, "vela-cgc: cannot write '%s': %s\n", output.c_str(), std::strerror(error));
    struct stat after;
    if (o && !existed && ::stat(output.c_str(), &after) == 0 && S_ISREG(after.st_mode)) std::remove(output.c_str());
    return 1;
}
