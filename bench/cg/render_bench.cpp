// What our programs cost to run: typical fragment programs (render_programs.h, or with
// --more the second set in render_programs_more.h) drawn over
// 1024x1024 pixels on a private Xvfb (Mesa llvmpipe), or with --vertex typical vertex
// programs (render_programs_vertex.h) run over a mesh of 196608 vertices whose triangles
// are all culled, so that the vertices' work is what is timed; as our ARB assembly, as the same with
// -packuniforms, and as the same program in GLSL through Mesa's own compiler. Batches
// alternate between the three in turning order, each timed from glFinish to glFinish; the
// figures are medians of the batches, the ratios to GLSL per program and its geometric
// mean. Each variant is made three times over and the batches take the copies in turn:
// llvmpipe compiles each program object apart, and two copies of one program can run
// several per cent apart. Beside the figures: the instruction counts and, from the NIR Mesa
// hands to llvmpipe for each (ST_DEBUG=nir, where this Mesa prints it), its ALU operations
// and the uniform components it fetches.
//   cg_render_bench [--more | --vertex] [batches [draws per batch]]
//   cg_render_bench [--more | --vertex] --counts (no GL)
// llvmpipe runs one thread unless LP_NUM_THREADS says otherwise: steadier figures on a
// shared machine.
#include <vela/gl.h>

#include <Cg/cg.h>
#include <Cg/cgGL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <span>
#include <string>
#include <vector>

#include <unistd.h>

#include "cg/glsl.h"
#include "compiler.h"
#include "render_programs_more.h"
#include "render_programs_vertex.h"
#include "assembly_lines.h"
#include "xvfb.h"

namespace {

using vela::bench::instructionCount;

using Clock = std::chrono::steady_clock;
using vela::bench::RenderProgram;
using vela::bench::RenderUniform;

constexpr int side = 1024;

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

template <class F> F proc(const char *name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(wglGetProcAddress(name)));
}

bool makeGlContext() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "cg_render_bench";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "cg_render_bench", "cg render bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, side,
                                  side, nullptr, nullptr, wc.hInstance, nullptr);
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    int format = ChoosePixelFormat(dc, &pfd);
    if (!format || !SetPixelFormat(dc, format, &pfd)) return false;
    HGLRC rc = wglCreateContext(dc);
    if (!rc || !wglMakeCurrent(dc, rc)) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return true;
}

// Two textures with detail at several scales and alpha across the range.
GLuint makeTexture(int seed) {
    const int n = 256;
    std::vector<unsigned char> texels(size_t(n * n * 4));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            unsigned char *t = &texels[size_t((y * n + x) * 4)];
            float fx = float(x) / n, fy = float(y) / n;
            t[0] = (unsigned char)(127.5f + 127.5f * std::sin(fx * 19.0f + seed));
            t[1] = (unsigned char)(127.5f + 127.5f * std::cos(fy * 13.0f + fx * 5.0f));
            t[2] = (unsigned char)((x ^ y ^ (seed * 37)) & 0xFF);
            t[3] = (unsigned char)((x * 3 + y * 5 + seed * 11) & 0xFF);
        }
    GLuint tex;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, n, n, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return tex;
}

struct Gl {
    bool vertex = false;  // the vertex set: programs drawn over the mesh
    GLuint mesh = 0;
    PFNGLACTIVETEXTUREPROC activeTexture = nullptr;
    PFNGLCLIENTACTIVETEXTUREPROC clientActiveTexture = nullptr;
    PFNGLMULTITEXCOORD4FPROC multiTexCoord4f = nullptr;
    PFNGLUNIFORM1FVPROC uniform1fv = nullptr;
    PFNGLUNIFORM2FVPROC uniform2fv = nullptr;
    PFNGLUNIFORM3FVPROC uniform3fv = nullptr;
    vela::test::Glsl glsl;
    GLuint textures[2] = {};
};

// A full-screen quad: texcoord 0 the screen's (u, v), 1 a normal tilting across it, 2 a view
// vector, 3 a position; a colour gradient.
void drawQuad(const Gl &gl) {
    static const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    glBegin(GL_QUADS);
    for (const auto &c : corners) {
        float u = (c[0] + 1) / 2, v = (c[1] + 1) / 2;
        glColor4f(u, v, 1 - u, 1);
        glTexCoord4f(u, v, 0, 1);
        gl.multiTexCoord4f(GL_TEXTURE1, c[0] * 0.8f, c[1] * 0.8f, 0.6f, 0);
        gl.multiTexCoord4f(GL_TEXTURE2, -c[0] * 0.3f, 0.2f - c[1] * 0.3f, 1, 0);
        gl.multiTexCoord4f(GL_TEXTURE3, c[0] * 1.5f, c[1] * 1.5f, 0.5f, 1);
        glVertex2fv(c);
    }
    glEnd();
}

// The vertex set's mesh: 512x384 vertices over the screen, each attribute a float4 (position,
// normal, colour, texcoords 0..3 as render_programs_vertex.h describes them). Drawn as
// triangles all culled when timed, so that only the vertices' work and little else counts;
// drawn as points to compare the frames.
constexpr int meshColumns = 512, meshRows = 384, meshVertices = meshColumns * meshRows, meshAttributes = 7;

GLuint makeMesh() {
    std::vector<float> data(size_t(meshVertices * meshAttributes * 4));
    for (int v = 0; v < meshVertices; ++v) {
        int gx = v % meshColumns, gy = v / meshColumns;
        float u = float(gx) / (meshColumns - 1), w = float(gy) / (meshRows - 1);
        float x = -0.95f + 1.9f * u, y = -0.95f + 1.9f * w;
        float n[3] = {0.3f * std::sin(5 * u), 0.2f * std::cos(4 * w), 1};
        float nl = std::sqrt(n[0] * n[0] + n[1] * n[1] + 1);
        float a = 0.25f + 0.5f * u;
        const float attributes[meshAttributes][4] = {
            {x, y, 0.2f * std::sin(3 * x) * std::cos(2 * y), 1},
            {n[0] / nl, n[1] / nl, n[2] / nl, 0},
            {u, w, 1 - u, 1},
            {u, w, 0, 1},
            {0.96f, 0, 0.28f * std::sin(2 * w), (gx + gy) % 2 ? 1.0f : -1.0f},
            {float(gx % 4), float(gy % 4), a, 1 - a},
            {float(v % 2 * 2 - 1), float(v / 2 % 2 * 2 - 1), 0, 0},
        };
        std::memcpy(&data[size_t(v * meshAttributes * 4)], attributes, sizeof attributes);
    }
    auto genBuffers = proc<PFNGLGENBUFFERSPROC>("glGenBuffers");
    auto bindBuffer = proc<PFNGLBINDBUFFERPROC>("glBindBuffer");
    auto bufferData = proc<PFNGLBUFFERDATAPROC>("glBufferData");
    if (!genBuffers || !bindBuffer || !bufferData) return 0;
    GLuint buffer = 0;
    genBuffers(1, &buffer);
    bindBuffer(GL_ARRAY_BUFFER, buffer);
    bufferData(GL_ARRAY_BUFFER, GLsizeiptr(data.size() * sizeof(float)), data.data(), GL_STATIC_DRAW);
    return buffer;
}

void bindMesh(const Gl &gl) {
    const GLsizei stride = meshAttributes * 4 * sizeof(float);
    auto at = [](int attribute) { return reinterpret_cast<const void *>(size_t(attribute * 4) * sizeof(float)); };
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(4, GL_FLOAT, stride, at(0));
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, stride, at(1));
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, stride, at(2));
    for (int unit = 0; unit < 4; ++unit) {
        gl.clientActiveTexture(GLenum(GL_TEXTURE0 + unit));
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(4, GL_FLOAT, stride, at(3 + unit));
    }
    gl.clientActiveTexture(GL_TEXTURE0);
}

// What each batch draws: the full-screen quad, or the mesh (culled unless `compared`).
void draw(const Gl &gl, bool compared = false) {
    if (!gl.vertex) return drawQuad(gl);
    if (compared) glDisable(GL_CULL_FACE);
    else {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT_AND_BACK);
    }
    glDrawArrays(compared ? GL_POINTS : GL_TRIANGLES, 0, meshVertices);
}

// The fragment side of a vertex program: its colour and the texture coordinates it writes,
// so that neither GL may drop any of them.
std::string fragmentSide(int texcoords, bool glsl) {
    std::string sum;
    for (int i = 0; i < texcoords; ++i)
        sum += (i ? " + " : "") + (glsl ? "gl_TexCoord[" + std::to_string(i) + "].xy" : "t" + std::to_string(i));
    if (glsl) return "#version 120\nvoid main() { gl_FragColor = gl_Color * 0.5 + vec4(" + sum + ", 0.0, 0.0) * 0.25; }\n";
    std::string inputs;
    for (int i = 0; i < texcoords; ++i)
        inputs += ", float2 t" + std::to_string(i) + " : TEXCOORD" + std::to_string(i);
    return "float4 main(float4 c : COLOR0" + inputs + ") : COLOR { return c * 0.5 + float4(" + sum + ", 0, 0) * 0.25; }\n";
}

void bindTextures(const Gl &gl) {
    for (int unit = 0; unit < 2; ++unit) {
        gl.activeTexture(GLenum(GL_TEXTURE0 + unit));
        glBindTexture(GL_TEXTURE_2D, gl.textures[unit]);
    }
    gl.activeTexture(GL_TEXTURE0);
}

constexpr int copies = 3;

struct Prepared {
    CGprogram ours[copies] = {}, packed[copies] = {};  // packed: compiled with -packuniforms
    CGprogram fragmentSide = nullptr;                  // a vertex program's
    GLuint glsl[copies] = {};
};

void useOurs(const Gl &gl, const RenderProgram &p, CGprogram prog, CGprogram fragmentSide) {
    gl.glsl.useProgram(0);
    cgGLEnableProfile(CG_PROFILE_ARBFP1);
    if (fragmentSide) {
        cgGLBindProgram(fragmentSide);
        cgGLEnableProfile(CG_PROFILE_ARBVP1);
    }
    cgGLBindProgram(prog);
    for (const char *sampler : {"tex0", "tex1"})
        if (CGparameter s = cgGetNamedParameter(prog, sampler)) {
            cgGLSetTextureParameter(s, gl.textures[sampler[3] - '0']);
            cgGLEnableTextureParameter(s);
        }
    for (const RenderUniform &u : p.uniforms) {
        if (!u.name) break;
        CGparameter param = cgGetNamedParameter(prog, u.name);
        if (!param) continue;  // optimised away
        if (u.components == 16) cgSetMatrixParameterfr(param, u.values);
        else if (u.count > 1) cgGLSetParameterArray4f(param, 0, u.count, u.values);
        else cgSetParameterValuefr(param, u.components, u.values);
    }
}

void useGlsl(const Gl &gl, const RenderProgram &p, GLuint prog) {
    cgGLDisableProfile(CG_PROFILE_ARBFP1);
    cgGLDisableProfile(CG_PROFILE_ARBVP1);
    bindTextures(gl);
    gl.glsl.useProgram(prog);
    for (int unit = 0; unit < 2; ++unit)
        if (GLint at = gl.glsl.getUniformLocation(prog, unit ? "tex1" : "tex0"); at >= 0) gl.glsl.uniform1i(at, unit);
    for (const RenderUniform &u : p.uniforms) {
        if (!u.name) break;
        GLint at = gl.glsl.getUniformLocation(prog, u.name);
        if (at < 0) continue;
        if (u.components == 1) gl.uniform1fv(at, u.count, u.values);
        else if (u.components == 2) gl.uniform2fv(at, u.count, u.values);
        else if (u.components == 3) gl.uniform3fv(at, u.count, u.values);
        else if (u.components == 16) gl.glsl.uniformMatrix4fv(at, u.count, GL_TRUE, u.values);
        else gl.glsl.uniform4fv(at, u.count, u.values);
    }
}

std::vector<unsigned char> readFrame() {
    std::vector<unsigned char> pixels(size_t(side * side * 3));
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, side, side, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Mesa's ST_DEBUG=nir prints each shader's NIR as it hands it to the driver, named "ARB<id>"
// for an ARB program and "GLSL<id>" for a GLSL program. Read from what went to stderr, by
// name, for each shader of the stage measured:
// - its ALU operations (loads, stores, moves, vectors and texture lookups aside);
// - the uniform components it fetches: llvmpipe loads each one lane by lane for every group
//   of pixels, all but the one at offset 0, whose address needs no bounds check.
struct NirCost {
    int alu = 0, fetched = 0;
};

std::map<std::string, NirCost> nirCosts(const std::string &log, const char *stage) {
    std::map<std::string, NirCost> costs;
    const std::string mark = "NIR before handing off to driver:";
    static const std::regex loadUbo(R"(vec(\d) 32 (ssa_\d+) = intrinsic load_ubo \(ssa_\d+, (ssa_\d+)\))");
    for (size_t at = log.find(mark); at != std::string::npos;) {
        size_t next = log.find(mark, at + mark.size());
        std::string block = log.substr(at, next == std::string::npos ? std::string::npos : next - at);
        at = next;
        size_t name = block.find("\nname: ");
        if (block.find(stage) == std::string::npos || name == std::string::npos) continue;
        std::string id = block.substr(name + 7, block.find('\n', name + 7) - name - 7);
        NirCost cost;
        for (size_t line = 0; line < block.size();) {
            size_t end = block.find('\n', line);
            if (end == std::string::npos) end = block.size();
            std::string l = block.substr(line, end - line);
            line = end + 1;
            size_t eq = l.find(" = ");
            if (eq == std::string::npos || l.find("ssa_") == std::string::npos) continue;
            std::string op = l.substr(eq + 3);
            if (op.rfind("(float32)", 0) == 0 || op.rfind("(int32)", 0) == 0) continue;  // texture lookups
            op = op.substr(0, op.find(' '));
            static const char *const notAlu[] = {"deref_var", "deref_array", "deref_struct", "intrinsic", "load_const",
                                                 "undefined", "vec2", "vec3", "vec4", "mov"};
            if (std::find_if(std::begin(notAlu), std::end(notAlu), [&](const char *x) { return op == x; }) == std::end(notAlu))
                ++cost.alu;
        }
        std::set<long> offsets;  // bytes into the uniform block; each negative one, a component at an offset not known
        for (auto m = std::sregex_iterator(block.begin(), block.end(), loadUbo); m != std::sregex_iterator(); ++m) {
            std::string lanes = std::string("xyzw").substr(0, size_t(std::stoi((*m)[1]))), value = (*m)[2],
                        offsetValue = (*m)[3];
            std::smatch k;
            long base = -1;
            if (std::regex_search(block, k, std::regex(offsetValue + R"( = load_const \((0x[0-9a-f]+))")))
                base = std::stol(k[1], nullptr, 16);
            // Each read of the value: "ssa_N.xy", or the whole "ssa_N".
            std::regex use(value + R"((\.([xyzw]+))?(?![0-9]))");
            size_t definition = size_t(m->position(2));
            for (auto u = std::sregex_iterator(block.begin(), block.end(), use); u != std::sregex_iterator(); ++u) {
                if (size_t(u->position(0)) == definition) continue;
                for (char c : (*u)[2].matched ? (*u)[2].str() : lanes)
                    offsets.insert(base < 0 ? -1 - long(offsets.size()) : base + 4 * long(std::string("xyzw").find(c)));
            }
        }
        cost.fetched = int(offsets.size()) - int(offsets.count(0));
        if (!costs.count(id)) costs[id] = cost;
    }
    return costs;
}

// The largest difference of a channel between two frames.
int framesDiffer(const std::vector<unsigned char> &a, const std::vector<unsigned char> &b) {
    int diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff = std::max(diff, std::abs(int(a[i]) - int(b[i])));
    return diff;
}

// The same for frames of points, where one may fall a pixel away from its place in the other
// (the two compilers round a position differently): each pixel of `a` against the closest
// of its neighbours in `b`.
int pointsDiffer(const std::vector<unsigned char> &a, const std::vector<unsigned char> &b) {
    int diff = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            int closest = 256;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    int nx = x + dx, ny = y + dy, d = 0;
                    if (nx < 0 || ny < 0 || nx >= side || ny >= side) continue;
                    for (int c = 0; c < 3; ++c)
                        d = std::max(d, std::abs(int(a[size_t((y * side + x) * 3 + c)]) - int(b[size_t((ny * side + nx) * 3 + c)])));
                    closest = std::min(closest, d);
                }
            diff = std::max(diff, closest);
        }
    return diff;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
    bool more = argc > 1 && std::strcmp(argv[1], "--more") == 0;
    bool vertex = argc > 1 && std::strcmp(argv[1], "--vertex") == 0;
    if (more || vertex) --argc, ++argv;
    const std::span<const RenderProgram> programs =
        vertex ? std::span<const RenderProgram>(vela::bench::vertexPrograms)
        : more ? std::span<const RenderProgram>(vela::bench::morePrograms)
               : std::span<const RenderProgram>(vela::bench::renderPrograms);
    const vela::cg::Profile profile = vertex ? vela::cg::Profile::Arbvp1 : vela::cg::Profile::Arbfp1;
    const CGprofile cgProfile = vertex ? CG_PROFILE_ARBVP1 : CG_PROFILE_ARBFP1;
    bool countsOnly = argc > 1 && std::strcmp(argv[1], "--counts") == 0;
    int batches = argc > 1 && !countsOnly ? std::max(3, std::atoi(argv[1])) : 15;
    int draws = argc > 2 ? std::max(1, std::atoi(argv[2])) : 4;

    std::printf("cg render benchmark: %zu %s programs%s\n", programs.size(), vertex ? "vertex" : "fragment",
                more ? " (the second set)" : "");
    std::vector<vela::cg::CompileResult> compiled;
    int total = 0, constants = 0;
    std::printf("  %-34s %5s %5s %5s  %s\n", "program", "instr", "tex", "temps", "making constants");
    for (const RenderProgram &p : programs) {
        compiled.push_back(vela::cg::compile(p.ours, profile));
        const vela::cg::CompileResult &r = compiled.back();
        if (!r.ok) {
            std::printf("  %s did not compile:\n%s", p.name, r.listing.c_str());
            return 1;
        }
        int n = instructionCount(r.assembly);
        total += n;
        constants += r.stats.constantInstructions;
        std::printf("  %-34s %5d %5d %5d  %5d\n", p.name, n, r.stats.texInstructions, r.stats.temporaries,
                    r.stats.constantInstructions);
    }
    std::printf("  %-34s %5d %17d\n", "all", total, constants);
    if (countsOnly) return 0;

    setenv("LP_NUM_THREADS", "1", 0);
    setenv("ST_DEBUG", "nir", 0);
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);  // a shader from the cache prints no NIR
    pid_t xvfb = vela::bench::startXvfb("1280x1280x24");
    if (xvfb < 0) {
        std::printf("skipped: could not start Xvfb (is it installed?)\n");
        return 0;
    }
    int status = 0;
    Gl gl;
    CGcontext context = cgCreateContext();
    std::vector<Prepared> prepared;
    double logSum = 0, logPacked = 0;
    int measured = 0;
    if (!makeGlContext()) {
        std::printf("skipped: no GL context on the private Xvfb\n");
        goto done;
    }
    gl.activeTexture = proc<PFNGLACTIVETEXTUREPROC>("glActiveTexture");
    gl.multiTexCoord4f = proc<PFNGLMULTITEXCOORD4FPROC>("glMultiTexCoord4f");
    gl.uniform1fv = proc<PFNGLUNIFORM1FVPROC>("glUniform1fv");
    gl.uniform2fv = proc<PFNGLUNIFORM2FVPROC>("glUniform2fv");
    gl.uniform3fv = proc<PFNGLUNIFORM3FVPROC>("glUniform3fv");
    gl.clientActiveTexture = proc<PFNGLCLIENTACTIVETEXTUREPROC>("glClientActiveTexture");
    gl.vertex = vertex;
    if (!gl.glsl.load() || !gl.activeTexture || !gl.multiTexCoord4f || !gl.uniform1fv || !gl.uniform2fv ||
        !gl.uniform3fv || !gl.clientActiveTexture) {
        std::printf("skipped: the GL lacks GLSL entry points\n");
        goto done;
    }
    {
        GLint viewport[4] = {};
        glViewport(0, 0, side, side);
        glGetIntegerv(GL_VIEWPORT, viewport);
        const char *threads = std::getenv("LP_NUM_THREADS");
        std::printf("GL: %s, %s; %dx%d pixels, LP_NUM_THREADS=%s; %d batches of %d draws, alternating\n",
                    glGetString(GL_RENDERER), glGetString(GL_VERSION), viewport[2], viewport[3], threads, batches,
                    draws);
        for (int unit = 0; unit < 2; ++unit) gl.textures[unit] = makeTexture(unit * 7 + 1);
        if (vertex) {
            if (!(gl.mesh = makeMesh())) {
                std::printf("skipped: the GL lacks buffer objects\n");
                goto done;
            }
            bindMesh(gl);
        }
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        // What Mesa prints while the programs are made and first drawn goes to a file.
        char logName[] = "/tmp/cg_render_bench_XXXXXX";
        int logFd = mkstemp(logName), savedStderr = dup(2);
        bool capturing = logFd >= 0 && savedStderr >= 0;
        if (logFd >= 0) unlink(logName);  // gone with the descriptor, whichever way this ends
        std::fflush(stderr);
        if (capturing) dup2(logFd, 2);
        auto restoreStderr = [&] {
            std::fflush(stderr);
            if (capturing) dup2(savedStderr, 2);
            capturing = false;
        };
        for (const RenderProgram &p : programs) {
            Prepared x;
            const char *packing[] = {"-packuniforms", nullptr};
            if (vertex) {
                x.fragmentSide = cgCreateProgram(context, CG_SOURCE, fragmentSide(p.texcoords, false).c_str(),
                                                 CG_PROFILE_ARBFP1, nullptr, nullptr);
                if (x.fragmentSide) cgGLLoadProgram(x.fragmentSide);
            }
            for (int c = 0; c < copies; ++c) {
                x.ours[c] = cgCreateProgram(context, CG_SOURCE, p.ours, cgProfile, nullptr, nullptr);
                x.packed[c] = cgCreateProgram(context, CG_SOURCE, p.ours, cgProfile, nullptr, packing);
                if (x.ours[c]) cgGLLoadProgram(x.ours[c]);
                if (x.packed[c]) cgGLLoadProgram(x.packed[c]);
                if (!x.ours[c] || !x.packed[c] || (vertex && !x.fragmentSide) || cgGetError() != CG_NO_ERROR) {
                    restoreStderr();
                    std::printf("%s: our program did not load\n", p.name);
                    status = 1;
                    goto done;
                }
                std::string log;
                x.glsl[c] = vertex ? gl.glsl.program(p.glsl, fragmentSide(p.texcoords, true), log)
                                   : gl.glsl.program("", p.glsl, log);
                if (!x.glsl[c]) {
                    restoreStderr();
                    std::printf("%s: the GLSL program did not compile:\n%s\n", p.name, log.c_str());
                    status = 1;
                    goto done;
                }
            }
            prepared.push_back(x);
        }
        // One draw of each, for the drivers' shaders (and their NIR) to be made.
        for (size_t k = 0; k < prepared.size(); ++k) {
            const RenderProgram &p = programs[k];
            for (int c = 0; c < copies; ++c) {
                useOurs(gl, p, prepared[k].ours[c], prepared[k].fragmentSide);
                draw(gl);
                useOurs(gl, p, prepared[k].packed[c], prepared[k].fragmentSide);
                draw(gl);
                useGlsl(gl, p, prepared[k].glsl[c]);
                draw(gl);
            }
        }
        glFinish();
        restoreStderr();
        std::string log;
        if (logFd >= 0) {
            char buf[65536];
            lseek(logFd, 0, SEEK_SET);
            for (ssize_t n; (n = read(logFd, buf, sizeof buf)) > 0;) log.append(buf, size_t(n));
            close(logFd);
        }
        if (savedStderr >= 0) close(savedStderr);
        std::map<std::string, NirCost> costs = nirCosts(log, vertex ? "MESA_SHADER_VERTEX" : "MESA_SHADER_FRAGMENT");
        int aluOver[2] = {0, 0}, fetchedOver[2] = {0, 0}, known = 0;
        std::printf("  %-34s %8s %8s %8s %8s %8s %5s %14s %10s\n", "program", "ARB ms", "packed", "GLSL ms", "ARB/GLSL",
                    "packed/", "diff", "ALU ARB/pk/GLSL", "fetched");
        for (size_t k = 0; k < prepared.size(); ++k) {
            const RenderProgram &p = programs[k];
            // The two frames, compared: a check that the pair computes the same (8-bit steps).
            auto use = [&](int which, int c = 0) {
                if (which == 2) useGlsl(gl, p, prepared[k].glsl[c]);
                else useOurs(gl, p, which ? prepared[k].packed[c] : prepared[k].ours[c], prepared[k].fragmentSide);
            };
            std::vector<unsigned char> frames[3];
            for (int which = 0; which < 3; ++which) {
                glClear(GL_COLOR_BUFFER_BIT);
                use(which);
                draw(gl, true);
                frames[which] = readFrame();
            }
            int diff = 0;
            for (int which = 0; which < 2; ++which)
                diff = std::max(diff, vertex ? std::max(pointsDiffer(frames[which], frames[2]), pointsDiffer(frames[2], frames[which]))
                                             : framesDiffer(frames[which], frames[2]));
            std::vector<double> times[3];
            // Each variant takes each place in the order as often as the others: the draw
            // after a switch runs at another speed than the one after it.
            for (int b = 0; b < batches; ++b)
                for (int place = 0; place < 3; ++place) {
                    int which = (place + b) % 3;
                    use(which, b % copies);
                    glFinish();
                    auto start = Clock::now();
                    for (int d = 0; d < draws; ++d) draw(gl);
                    glFinish();
                    times[which].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count() /
                                           draws);
                }
            double arb = median(times[0]), packed = median(times[1]), glsl = median(times[2]);
            logSum += std::log(arb / glsl);
            logPacked += std::log(packed / glsl);
            ++measured;
            std::string names[3] = {"ARB" + std::to_string(cgGLGetProgramID(prepared[k].ours[0])),
                                    "ARB" + std::to_string(cgGLGetProgramID(prepared[k].packed[0])),
                                    "GLSL" + std::to_string(prepared[k].glsl[0])};
            char aluText[32] = "-", fetchedText[32] = "-";
            if (costs.count(names[0]) && costs.count(names[1]) && costs.count(names[2])) {
                const NirCost c[3] = {costs[names[0]], costs[names[1]], costs[names[2]]};
                std::snprintf(aluText, sizeof aluText, "%d/%d/%d", c[0].alu, c[1].alu, c[2].alu);
                std::snprintf(fetchedText, sizeof fetchedText, "%d/%d/%d", c[0].fetched, c[1].fetched, c[2].fetched);
                ++known;
                for (int v = 0; v < 2; ++v) {
                    aluOver[v] += c[v].alu > c[2].alu;
                    fetchedOver[v] += c[v].fetched > c[2].fetched;
                }
            }
            std::printf("  %-34s %8.3f %8.3f %8.3f %8.3f %8.3f %5d %14s %10s\n", p.name, arb, packed, glsl, arb / glsl,
                        packed / glsl, diff, aluText, fetchedText);
            std::fflush(stdout);
        }
        std::printf("  %-34s %8s %8s %8s %8.3f %8.3f\n", "geometric mean", "", "", "", std::exp(logSum / measured),
                    std::exp(logPacked / measured));
        if (known) {
            std::printf("ALU operations of the NIR handed to llvmpipe: more than GLSL's in %d of %d programs, %d with "
                        "-packuniforms\n",
                        aluOver[0], known, aluOver[1]);
            std::printf("uniform components fetched per group of pixels: more than GLSL's in %d, %d with -packuniforms\n",
                        fetchedOver[0], fetchedOver[1]);
        }
        else
            std::printf("ALU operations: this Mesa printed no NIR (ST_DEBUG=nir)\n");
    }
done:
    cgDestroyContext(context);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return status;
}
