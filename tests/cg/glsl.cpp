#include "cg/glsl.h"

#include <vector>

namespace vela::test {

bool Glsl::load() {
    createShader = glEntryPoint<PFNGLCREATESHADERPROC>("glCreateShader");
    shaderSource = glEntryPoint<PFNGLSHADERSOURCEPROC>("glShaderSource");
    compileShader = glEntryPoint<PFNGLCOMPILESHADERPROC>("glCompileShader");
    getShaderiv = glEntryPoint<PFNGLGETSHADERIVPROC>("glGetShaderiv");
    getShaderInfoLog = glEntryPoint<PFNGLGETSHADERINFOLOGPROC>("glGetShaderInfoLog");
    createProgram = glEntryPoint<PFNGLCREATEPROGRAMPROC>("glCreateProgram");
    attachShader = glEntryPoint<PFNGLATTACHSHADERPROC>("glAttachShader");
    linkProgram = glEntryPoint<PFNGLLINKPROGRAMPROC>("glLinkProgram");
    getProgramiv = glEntryPoint<PFNGLGETPROGRAMIVPROC>("glGetProgramiv");
    getProgramInfoLog = glEntryPoint<PFNGLGETPROGRAMINFOLOGPROC>("glGetProgramInfoLog");
    useProgram = glEntryPoint<PFNGLUSEPROGRAMPROC>("glUseProgram");
    deleteShader = glEntryPoint<PFNGLDELETESHADERPROC>("glDeleteShader");
    deleteProgram = glEntryPoint<PFNGLDELETEPROGRAMPROC>("glDeleteProgram");
    getUniformLocation = glEntryPoint<PFNGLGETUNIFORMLOCATIONPROC>("glGetUniformLocation");
    uniform1i = glEntryPoint<PFNGLUNIFORM1IPROC>("glUniform1i");
    uniform1fv = glEntryPoint<PFNGLUNIFORM1FVPROC>("glUniform1fv");
    uniform2fv = glEntryPoint<PFNGLUNIFORM2FVPROC>("glUniform2fv");
    uniform3fv = glEntryPoint<PFNGLUNIFORM3FVPROC>("glUniform3fv");
    uniform4fv = glEntryPoint<PFNGLUNIFORM4FVPROC>("glUniform4fv");
    uniformMatrix3fv = glEntryPoint<PFNGLUNIFORMMATRIX3FVPROC>("glUniformMatrix3fv");
    uniformMatrix4fv = glEntryPoint<PFNGLUNIFORMMATRIX4FVPROC>("glUniformMatrix4fv");
    uniformMatrix2x3fv = glEntryPoint<PFNGLUNIFORMMATRIX2X3FVPROC>("glUniformMatrix2x3fv");
    return createShader && shaderSource && compileShader && getShaderiv && getShaderInfoLog && createProgram &&
           attachShader && linkProgram && getProgramiv && getProgramInfoLog && useProgram && deleteShader &&
           deleteProgram && getUniformLocation && uniform1i && uniform1fv && uniform2fv && uniform3fv && uniform4fv && uniformMatrix3fv &&
           uniformMatrix4fv && uniformMatrix2x3fv;
}

GLuint Glsl::program(const std::string &vertex, const std::string &fragment, std::string &log) const {
    // The message of a failed compile or link.
    auto append = [&](GLuint object, auto getiv, auto getLog) {
        GLint length = 0;
        getiv(object, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> text(size_t(length) + 1);
        getLog(object, length, nullptr, text.data());
        log += text.data();
    };
    GLuint p = createProgram();
    bool ok = true;
    for (auto [text, kind] : {std::pair{&vertex, GLenum(GL_VERTEX_SHADER)}, std::pair{&fragment, GLenum(GL_FRAGMENT_SHADER)}}) {
        if (text->empty()) continue;
        GLuint s = createShader(kind);
        const char *source = text->c_str();
        shaderSource(s, 1, &source, nullptr);
        compileShader(s);
        GLint compiled = 0;
        getShaderiv(s, GL_COMPILE_STATUS, &compiled);
        if (!compiled) {
            append(s, getShaderiv, getShaderInfoLog);
            ok = false;
        }
        attachShader(p, s);
        deleteShader(s);
    }
    if (ok) {
        linkProgram(p);
        GLint linked = 0;
        getProgramiv(p, GL_LINK_STATUS, &linked);
        if (!linked) {
            append(p, getProgramiv, getProgramInfoLog);
            ok = false;
        }
    }
    if (!ok) {
        deleteProgram(p);
        return 0;
    }
    return p;
}

}  // namespace vela::test
