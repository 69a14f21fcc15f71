// A client of the shader runtime that uses it the way post-processing front ends do: a
// chain of three passes, each a program file compiled twice (main_vertex, main_fragment)
// with an include beside it and -D options; parameters found by walking them (struct
// members named "IN.video_size", "ORIG.texture", ...); vertices from client arrays; passes 1
// and 2 copied from the back buffer into textures, pass 3 drawn to the window. Every pass is
// read back and compared with the same chain in GLSL, compiled by the GL itself.
// Exits 0 when everything matched, 1 otherwise (the reasons on stderr).
#include "window.h"

#include <Cg/cg.h>
#include <Cg/cgGL.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// GL 2.0 and 1.3 beyond what <GL/gl.h> of every platform declares.
typedef char GLcharT;
const GLenum kTexture0 = 0x84C0, kFragmentShader = 0x8B30, kVertexShader = 0x8B31, kCompileStatus = 0x8B81,
             kLinkStatus = 0x8B82, kClampToEdge = 0x812F;
struct Gl2 {
    GLuint(APIENTRY *CreateShader)(GLenum);
    void(APIENTRY *ShaderSource)(GLuint, GLsizei, const GLcharT *const *, const GLint *);
    void(APIENTRY *CompileShader)(GLuint);
    void(APIENTRY *GetShaderiv)(GLuint, GLenum, GLint *);
    void(APIENTRY *GetShaderInfoLog)(GLuint, GLsizei, GLsizei *, GLcharT *);
    GLuint(APIENTRY *CreateProgram)();
    void(APIENTRY *AttachShader)(GLuint, GLuint);
    void(APIENTRY *LinkProgram)(GLuint);
    void(APIENTRY *GetProgramiv)(GLuint, GLenum, GLint *);
    void(APIENTRY *GetProgramInfoLog)(GLuint, GLsizei, GLsizei *, GLcharT *);
    void(APIENTRY *UseProgram)(GLuint);
    GLint(APIENTRY *GetUniformLocation)(GLuint, const GLcharT *);
    void(APIENTRY *Uniform1i)(GLint, GLint);
    void(APIENTRY *Uniform1f)(GLint, GLfloat);
    void(APIENTRY *Uniform2f)(GLint, GLfloat, GLfloat);
    void(APIENTRY *UniformMatrix4fv)(GLint, GLsizei, GLboolean, const GLfloat *);
    void(APIENTRY *ActiveTexture)(GLenum);
    void(APIENTRY *ClientActiveTexture)(GLenum);
} gl2;

template <class F> bool entry(F &f, const char *name) {
    f = reinterpret_cast<F>(client::glProc(name));
    if (!f) std::fprintf(stderr, "FAIL: the GL has no %s\n", name);
    return f != nullptr;
}

bool loadGl2() {
    bool ok = true;
    ok &= entry(gl2.CreateShader, "glCreateShader");
    ok &= entry(gl2.ShaderSource, "glShaderSource");
    ok &= entry(gl2.CompileShader, "glCompileShader");
    ok &= entry(gl2.GetShaderiv, "glGetShaderiv");
    ok &= entry(gl2.GetShaderInfoLog, "glGetShaderInfoLog");
    ok &= entry(gl2.CreateProgram, "glCreateProgram");
    ok &= entry(gl2.AttachShader, "glAttachShader");
    ok &= entry(gl2.LinkProgram, "glLinkProgram");
    ok &= entry(gl2.GetProgramiv, "glGetProgramiv");
    ok &= entry(gl2.GetProgramInfoLog, "glGetProgramInfoLog");
    ok &= entry(gl2.UseProgram, "glUseProgram");
    ok &= entry(gl2.GetUniformLocation, "glGetUniformLocation");
    ok &= entry(gl2.Uniform1i, "glUniform1i");
    ok &= entry(gl2.Uniform1f, "glUniform1f");
    ok &= entry(gl2.Uniform2f, "glUniform2f");
    ok &= entry(gl2.UniformMatrix4fv, "glUniformMatrix4fv");
    ok &= entry(gl2.ActiveTexture, "glActiveTexture");
    ok &= entry(gl2.ClientActiveTexture, "glClientActiveTexture");
    return ok;
}

int failures = 0;
void fail(const char *format, ...) {
    va_list a;
    va_start(a, format);
    std::fputs("FAIL: ", stderr);
    std::vfprintf(stderr, format, a);
    std::fputc('\n', stderr);
    va_end(a);
    ++failures;
}

// Counts every error the runtime reports, as a client's error callback would log it.
int runtimeErrors = 0;
void onCgError() {
    CGerror error;
    const char *text = cgGetLastErrorString(&error);
    fail("runtime error %d: %s", int(error), text ? text : "?");
    ++runtimeErrors;
}

// ---- The chain's programs ---------------------------------------------------------------

const char *const commonInc = R"(// shared by the passes
struct input {
    float2 video_size;
    float2 texture_size;
    float2 output_size;
    float frame_count;
    sampler2D texture;
};
struct orig {
    float2 video_size;
    float2 texture_size;
    sampler2D texture;
};
struct prev {
    float2 video_size;
    float2 texture_size;
    sampler2D texture;
};

// From the pass's picture (0..1 over the video part) to a texture's coordinates.
float2 texel(float2 pic, float2 video, float2 size) { return pic * video / size; }

float3 tint(float frame) {
    return float3(0.75 + 0.25 * sin(frame * 0.5 + PASS), 0.75 + 0.25 * cos(frame * 0.3), 0.9);
}

void main_vertex(float4 position : POSITION, float2 tex : TEXCOORD0,
                 uniform float4x4 modelViewProj, uniform input IN,
                 out float4 oPosition : POSITION, out float2 oTex : TEXCOORD0, out float2 oPic : TEXCOORD1)
{
    oPosition = mul(modelViewProj, position);
    oTex = tex;
    oPic = tex * IN.texture_size / IN.video_size;
}
)";

// The passes' fragment programs; each file includes the common part.
const char *const passCg[3] = {
    R"(#include "common.inc"
// the source mixed with the previous frame, tinted, with scan lines
float4 main_fragment(float2 tex : TEXCOORD0, float2 pic : TEXCOORD1,
                     uniform input IN, uniform prev PREV) : COLOR
{
    float3 c = tex2D(IN.texture, tex).rgb;
    float3 p = tex2D(PREV.texture, texel(pic, PREV.video_size, PREV.texture_size)).rgb;
    float lines = 0.9 + 0.1 * sin(pic.y * IN.output_size.y * 0.25);
    return float4(lerp(c, p, MIX) * tint(IN.frame_count) * lines, 1);
}
)",
    R"(#include "common.inc"
// a horizontal blur of the first pass, with the original's channels turned
float4 main_fragment(float2 tex : TEXCOORD0, float2 pic : TEXCOORD1,
                     uniform input IN, uniform orig ORIG, uniform prev PREV) : COLOR
{
    float2 dx = float2(1.0 / IN.texture_size.x, 0);
    float3 c = (tex2D(IN.texture, tex - dx).rgb + 2 * tex2D(IN.texture, tex).rgb + tex2D(IN.texture, tex + dx).rgb) * 0.25;
    float3 o = tex2D(ORIG.texture, texel(pic, ORIG.video_size, ORIG.texture_size)).rgb;
    return float4(c * 0.7 + o.gbr * 0.3, 1);
}
)",
    R"(#include "common.inc"
// the difference of the original and the previous frame added, then a vignette
float4 main_fragment(in float2 tex : TEXCOORD0, in float2 pic : TEXCOORD1,
                     uniform input IN, uniform orig ORIG, uniform prev PREV) : COLOR
{
    float3 c = tex2D(IN.texture, tex).rgb;
    float3 o = tex2D(ORIG.texture, texel(pic, ORIG.video_size, ORIG.texture_size)).rgb;
    float3 p = tex2D(PREV.texture, texel(pic, PREV.video_size, PREV.texture_size)).rgb;
    float2 d = (pic - 0.5) * float2(IN.output_size.x / IN.output_size.y, 1);
    float3 r = saturate(c + (o - p) * 0.5) * (1 - 0.6 * dot(d, d)) * tint(IN.frame_count);
    return float4(r, 1);
}
)",
};

// The same chain in GLSL, as the oracle.
const char *const glslVertex = R"(
uniform mat4 modelViewProj;
uniform vec2 in_video_size, in_texture_size;
varying vec2 tex, pic;
void main() {
    gl_Position = modelViewProj * gl_Vertex;
    tex = gl_MultiTexCoord0.xy;
    pic = tex * in_texture_size / in_video_size;
}
)";
const char *const glslFragment = R"(
uniform vec2 in_video_size, in_texture_size, in_output_size;
uniform float in_frame_count;
uniform sampler2D in_texture, orig_texture, prev_texture;
uniform vec2 orig_video_size, orig_texture_size, prev_video_size, prev_texture_size;
varying vec2 tex, pic;
vec2 texel(vec2 p, vec2 video, vec2 size) { return p * video / size; }
vec3 tint(float frame) {
    return vec3(0.75 + 0.25 * sin(frame * 0.5 + float(PASS)), 0.75 + 0.25 * cos(frame * 0.3), 0.9);
}
void main() {
    vec3 c, o, p, r;
#if PASS == 1
    c = texture2D(in_texture, tex).rgb;
    p = texture2D(prev_texture, texel(pic, prev_video_size, prev_texture_size)).rgb;
    r = mix(c, p, MIX) * tint(in_frame_count) * (0.9 + 0.1 * sin(pic.y * in_output_size.y * 0.25));
#elif PASS == 2
    vec2 dx = vec2(1.0 / in_texture_size.x, 0.0);
    c = (texture2D(in_texture, tex - dx).rgb + 2.0 * texture2D(in_texture, tex).rgb + texture2D(in_texture, tex + dx).rgb) * 0.25;
    o = texture2D(orig_texture, texel(pic, orig_video_size, orig_texture_size)).rgb;
    r = c * 0.7 + o.gbr * 0.3;
#else
    c = texture2D(in_texture, tex).rgb;
    o = texture2D(orig_texture, texel(pic, orig_video_size, orig_texture_size)).rgb;
    p = texture2D(prev_texture, texel(pic, prev_video_size, prev_texture_size)).rgb;
    vec2 d = (pic - 0.5) * vec2(in_output_size.x / in_output_size.y, 1.0);
    r = clamp(c + (o - p) * 0.5, 0.0, 1.0) * (1.0 - 0.6 * dot(d, d)) * tint(in_frame_count);
#endif
    gl_FragColor = vec4(r, 1.0);
}
)";

const char *const kMix = "0.25";
const float kFrameCount = 37;

// ---- Textures and passes ----------------------------------------------------------------

// A texture of which the lower-left video_w x video_h texels hold the picture.
struct Image {
    GLuint id = 0;
    int videoW, videoH, texW, texH;
};

// A picture drawn procedurally; what lies outside it is a colour that shows a wrong scale.
Image makeImage(int videoW, int videoH, int texW, int texH, int seed) {
    Image image{0, videoW, videoH, texW, texH};
    std::vector<unsigned char> rgba(size_t(texW) * texH * 4);
    for (int y = 0; y < texH; ++y)
        for (int x = 0; x < texW; ++x) {
            unsigned char *p = &rgba[(size_t(y) * texW + x) * 4];
            if (x >= videoW || y >= videoH) {
                p[0] = 255, p[1] = seed ? 255 : 0, p[2] = seed ? 0 : 255;
            } else if (seed == 0) {
                p[0] = (unsigned char)(255 * x / (videoW - 1));
                p[1] = (unsigned char)(255 * y / (videoH - 1));
                p[2] = ((x / 6 + y / 5) % 2) ? 220 : 40;
            } else {
                p[0] = (unsigned char)(128 + 100 * std::sin(x * 0.4));
                p[1] = (unsigned char)(255 * (videoW - 1 - x) / (videoW - 1));
                p[2] = (unsigned char)(255 * y / (videoH - 1));
            }
            p[3] = 255;
        }
    glGenTextures(1, &image.id);
    glBindTexture(GL_TEXTURE_2D, image.id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, kClampToEdge);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, kClampToEdge);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texW, texH, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return image;
}

// A pass's output texture, black until a pass is copied into its corner.
Image makeTarget(int videoW, int videoH, int size) {
    Image image = makeImage(videoW, videoH, size, size, 0);
    std::vector<unsigned char> black(size_t(size) * size * 4, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, black.data());
    return image;
}

struct Pass {
    int number;
    const Image *in;
    int outW, outH;
    const Image *target;  // where the output is copied; null: it stays in the window
};

// The quad over the pass's output: positions 0..1 taken to clip space by modelViewProj,
// texture coordinates over the video part of the input.
struct Quad {
    float positions[8] = {0, 0, 1, 0, 0, 1, 1, 1};
    float texcoords[8];
    explicit Quad(const Image &in) {
        float s = float(in.videoW) / in.texW, t = float(in.videoH) / in.texH;
        const float tc[8] = {0, 0, s, 0, 0, t, s, t};
        std::copy(tc, tc + 8, texcoords);
    }
};

// Column after column: x, y from 0..1 to -1..1, so a transposed matrix moves everything.
const float modelViewProj[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, -1, 0, -1, -1, 0, 1};

struct Frame {
    int w, h;
    std::vector<unsigned char> rgb;
};

Frame readBack(int w, int h) {
    Frame f{w, h, std::vector<unsigned char>(size_t(w) * h * 3)};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, f.rgb.data());
    return f;
}

void copyToTarget(const Pass &pass) {
    if (!pass.target) return;
    gl2.ActiveTexture(kTexture0);
    glBindTexture(GL_TEXTURE_2D, pass.target->id);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, pass.outW, pass.outH);
}

// ---- The chain through the runtime -------------------------------------------------------

// The parameters of one program, found as a front end finds them.
struct Walked {
    std::map<std::string, CGparameter> uniforms;  // by full name, "IN.video_size"
    CGparameter position = nullptr, texcoord = nullptr;
};

void walk(CGparameter p, Walked &w) {
    for (; p; p = cgGetNextParameter(p)) {
        if (cgGetParameterClass(p) == CG_PARAMETERCLASS_STRUCT) {
            walk(cgGetFirstStructParameter(p), w);
            continue;
        }
        const char *name = cgGetParameterName(p);
        std::string semantic = cgGetParameterSemantic(p) ? cgGetParameterSemantic(p) : "";
        if (cgGetParameterVariability(p) == CG_VARYING) {
            if (cgGetParameterDirection(p) != CG_IN) continue;
            if (semantic == "POSITION") w.position = p;
            if (semantic == "TEXCOORD0" || semantic == "TEXCOORD") w.texcoord = p;
        } else if (name) {
            w.uniforms[name] = p;
        }
    }
}

struct CgPass {
    CGprogram vertex = nullptr, fragment = nullptr;
    Walked v, f;
};

// A uniform the program must have (what a front end looks up by name), the same handle
// both ways.
CGparameter need(CGprogram program, const Walked &w, const char *name, int pass, const char *stage) {
    auto it = w.uniforms.find(name);
    CGparameter named = cgGetNamedParameter(program, name);
    if (it == w.uniforms.end()) {
        fail("pass %d %s: walking the parameters found no %s", pass, stage, name);
        return named;
    }
    if (named != it->second) fail("pass %d %s: cgGetNamedParameter(\"%s\") is not the walked parameter", pass, stage, name);
    return it->second;
}

void set2(CGparameter p, float x, float y) {
    if (p) cgGLSetParameter2f(p, x, y);
}

void bindTexture(CGparameter p, const Image &image) {
    if (!p) return;
    cgGLSetTextureParameter(p, image.id);
    cgGLEnableTextureParameter(p);
}

void drawCg(const CgPass &cp, const Pass &pass, const Image &orig, const Image &prev, CGprofile vp, CGprofile fp) {
    const Image &in = *pass.in;
    int n = pass.number;
    glViewport(0, 0, pass.outW, pass.outH);
    cgGLBindProgram(cp.vertex);
    cgGLEnableProfile(vp);
    cgGLBindProgram(cp.fragment);
    cgGLEnableProfile(fp);

    cgGLSetMatrixParameterfc(need(cp.vertex, cp.v, "modelViewProj", n, "vertex"), modelViewProj);
    set2(need(cp.vertex, cp.v, "IN.video_size", n, "vertex"), float(in.videoW), float(in.videoH));
    set2(need(cp.vertex, cp.v, "IN.texture_size", n, "vertex"), float(in.texW), float(in.texH));

    set2(need(cp.fragment, cp.f, "IN.video_size", n, "fragment"), float(in.videoW), float(in.videoH));
    set2(need(cp.fragment, cp.f, "IN.texture_size", n, "fragment"), float(in.texW), float(in.texH));
    set2(need(cp.fragment, cp.f, "IN.output_size", n, "fragment"), float(pass.outW), float(pass.outH));
    if (CGparameter frame = need(cp.fragment, cp.f, "IN.frame_count", n, "fragment"))
        cgGLSetParameter1f(frame, kFrameCount);
    bindTexture(need(cp.fragment, cp.f, "IN.texture", n, "fragment"), in);
    // The passes that declare ORIG and PREV get them, read or not, as front ends do.
    std::vector<CGparameter> bound = {cgGetNamedParameter(cp.fragment, "IN.texture")};
    if (n != 1) {
        set2(need(cp.fragment, cp.f, "ORIG.video_size", n, "fragment"), float(orig.videoW), float(orig.videoH));
        set2(need(cp.fragment, cp.f, "ORIG.texture_size", n, "fragment"), float(orig.texW), float(orig.texH));
        bindTexture(need(cp.fragment, cp.f, "ORIG.texture", n, "fragment"), orig);
        bound.push_back(cgGetNamedParameter(cp.fragment, "ORIG.texture"));
    }
    set2(need(cp.fragment, cp.f, "PREV.video_size", n, "fragment"), float(prev.videoW), float(prev.videoH));
    set2(need(cp.fragment, cp.f, "PREV.texture_size", n, "fragment"), float(prev.texW), float(prev.texH));
    bindTexture(need(cp.fragment, cp.f, "PREV.texture", n, "fragment"), prev);
    bound.push_back(cgGetNamedParameter(cp.fragment, "PREV.texture"));

    Quad quad(in);
    if (!cp.v.position || !cp.v.texcoord) {
        fail("pass %d vertex: no varying input with the semantic %s", n, cp.v.position ? "TEXCOORD0" : "POSITION");
    } else {
        cgGLSetParameterPointer(cp.v.position, 2, GL_FLOAT, 0, quad.positions);
        cgGLEnableClientState(cp.v.position);
        cgGLSetParameterPointer(cp.v.texcoord, 2, GL_FLOAT, 0, quad.texcoords);
        cgGLEnableClientState(cp.v.texcoord);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        cgGLDisableClientState(cp.v.position);
        cgGLDisableClientState(cp.v.texcoord);
    }
    for (CGparameter p : bound)
        if (p) cgGLDisableTextureParameter(p);
    cgGLDisableProfile(vp);
    cgGLDisableProfile(fp);
}

// ---- The chain in GLSL ------------------------------------------------------------------

GLuint shader(GLenum kind, const std::string &text) {
    GLuint s = gl2.CreateShader(kind);
    const GLcharT *t = text.c_str();
    gl2.ShaderSource(s, 1, &t, nullptr);
    gl2.CompileShader(s);
    GLint ok = 0;
    gl2.GetShaderiv(s, kCompileStatus, &ok);
    if (!ok) {
        char log[2048] = {};
        gl2.GetShaderInfoLog(s, sizeof log, nullptr, log);
        fail("the oracle's GLSL does not compile: %s", log);
    }
    return s;
}

GLuint glslPass(int n) {
    std::string head = "#version 110\n#define PASS " + std::to_string(n) + "\n#define MIX " + kMix + "\n";
    GLuint program = gl2.CreateProgram();
    gl2.AttachShader(program, shader(kVertexShader, head + glslVertex));
    gl2.AttachShader(program, shader(kFragmentShader, head + glslFragment));
    gl2.LinkProgram(program);
    GLint ok = 0;
    gl2.GetProgramiv(program, kLinkStatus, &ok);
    if (!ok) {
        char log[2048] = {};
        gl2.GetProgramInfoLog(program, sizeof log, nullptr, log);
        fail("the oracle's GLSL does not link: %s", log);
    }
    return program;
}

void drawGlsl(GLuint program, const Pass &pass, const Image &orig, const Image &prev) {
    const Image &in = *pass.in;
    glViewport(0, 0, pass.outW, pass.outH);
    gl2.UseProgram(program);
    auto at = [&](const char *name) { return gl2.GetUniformLocation(program, name); };
    gl2.UniformMatrix4fv(at("modelViewProj"), 1, GL_FALSE, modelViewProj);
    gl2.Uniform2f(at("in_video_size"), float(in.videoW), float(in.videoH));
    gl2.Uniform2f(at("in_texture_size"), float(in.texW), float(in.texH));
    gl2.Uniform2f(at("in_output_size"), float(pass.outW), float(pass.outH));
    gl2.Uniform1f(at("in_frame_count"), kFrameCount);
    gl2.Uniform2f(at("orig_video_size"), float(orig.videoW), float(orig.videoH));
    gl2.Uniform2f(at("orig_texture_size"), float(orig.texW), float(orig.texH));
    gl2.Uniform2f(at("prev_video_size"), float(prev.videoW), float(prev.videoH));
    gl2.Uniform2f(at("prev_texture_size"), float(prev.texW), float(prev.texH));
    const Image *units[3] = {&in, &orig, &prev};
    const char *samplers[3] = {"in_texture", "orig_texture", "prev_texture"};
    for (int u = 0; u < 3; ++u) {
        gl2.ActiveTexture(kTexture0 + u);
        glBindTexture(GL_TEXTURE_2D, units[u]->id);
        gl2.Uniform1i(at(samplers[u]), u);
    }
    Quad quad(in);
    gl2.ClientActiveTexture(kTexture0);
    glVertexPointer(2, GL_FLOAT, 0, quad.positions);
    glTexCoordPointer(2, GL_FLOAT, 0, quad.texcoords);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    gl2.UseProgram(0);
}

// ---- Comparison -------------------------------------------------------------------------

const int kTolerance = 3;  // 8-bit rounding, carried through the passes' copies

void compare(int pass, const Frame &cg, const Frame &glsl) {
    int worst = 0, wx = 0, wy = 0;
    for (int y = 0; y < cg.h; ++y)
        for (int x = 0; x < cg.w; ++x)
            for (int c = 0; c < 3; ++c) {
                size_t i = (size_t(y) * cg.w + x) * 3 + c;
                int d = std::abs(int(cg.rgb[i]) - int(glsl.rgb[i]));
                if (d > worst) worst = d, wx = x, wy = y;
            }
    const unsigned char *a = &cg.rgb[(size_t(wy) * cg.w + wx) * 3], *b = &glsl.rgb[(size_t(wy) * cg.w + wx) * 3];
    std::printf("pass %d: %dx%d pixels, largest difference %d at (%d, %d): runtime %d %d %d, GLSL %d %d %d\n", pass,
                cg.w, cg.h, worst, wx, wy, a[0], a[1], a[2], b[0], b[1], b[2]);
    if (worst > kTolerance) fail("pass %d differs from the GLSL chain by %d at (%d, %d)", pass, worst, wx, wy);
    // Both chains black or flat would agree and prove nothing.
    for (int c = 0; c < 3; ++c) {
        int lo = 255, hi = 0;
        for (size_t i = c; i < glsl.rgb.size(); i += 3) lo = std::min(lo, int(glsl.rgb[i])), hi = std::max(hi, int(glsl.rgb[i]));
        if (hi - lo < 40) fail("pass %d: channel %d of the GLSL chain spans only %d..%d", pass, c, lo, hi);
    }
}

bool writeFile(const fs::path &path, const char *text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

}  // namespace

int main() {
    const int kWidth = 160, kHeight = 120;
    if (!client::openWindow(kWidth, kHeight, "vela chain client")) return 1;
    if (!loadGl2()) return 1;
    cgSetErrorCallback(onCgError);

    // The programs' folder, removed at the end.
    std::random_device random;
    fs::path folder = fs::temp_directory_path() / ("vela-chain-" + std::to_string(random()));
    fs::create_directories(folder);
    bool written = writeFile(folder / "common.inc", commonInc);
    for (int i = 0; i < 3; ++i)
        written &= writeFile(folder / ("pass" + std::to_string(i + 1) + ".cg"), passCg[i]);
    if (!written) fail("cannot write the programs into %s", folder.string().c_str());

    CGcontext context = cgCreateContext();
    CGprofile vp = cgGLGetLatestProfile(CG_GL_VERTEX), fp = cgGLGetLatestProfile(CG_GL_FRAGMENT);
    if (vp == CG_PROFILE_UNKNOWN || fp == CG_PROFILE_UNKNOWN || !cgGLIsProfileSupported(vp) || !cgGLIsProfileSupported(fp)) {
        fail("no vertex and fragment profiles (%d, %d)", int(vp), int(fp));
        return 1;
    }
    std::printf("profiles %s and %s\n", cgGetProfileString(vp), cgGetProfileString(fp));
    cgGLSetOptimalOptions(vp);
    cgGLSetOptimalOptions(fp);

    CgPass cgPasses[3];
    for (int i = 0; i < 3; ++i) {
        std::string file = (folder / ("pass" + std::to_string(i + 1) + ".cg")).string();
        std::string passOption = "-DPASS=" + std::to_string(i + 1), mixOption = std::string("-DMIX=") + kMix;
        const char *args[] = {passOption.c_str(), mixOption.c_str(), nullptr};
        CgPass &cp = cgPasses[i];
        cp.vertex = cgCreateProgramFromFile(context, CG_SOURCE, file.c_str(), vp, "main_vertex", args);
        if (!cp.vertex) fail("pass %d: main_vertex does not compile:\n%s", i + 1, cgGetLastListing(context));
        cp.fragment = cgCreateProgramFromFile(context, CG_SOURCE, file.c_str(), fp, "main_fragment", args);
        if (!cp.fragment) fail("pass %d: main_fragment does not compile:\n%s", i + 1, cgGetLastListing(context));
        if (!cp.vertex || !cp.fragment) continue;
        cgGLLoadProgram(cp.vertex);
        cgGLLoadProgram(cp.fragment);
        walk(cgGetFirstParameter(cp.vertex, CG_PROGRAM), cp.v);
        walk(cgGetFirstParameter(cp.fragment, CG_PROGRAM), cp.f);
    }
    fs::remove_all(folder);
    if (failures) return 1;

    const Image source = makeImage(48, 40, 64, 64, 0), previous = makeImage(30, 20, 32, 32, 1);
    const Image first = makeTarget(96, 80, 128), second = makeTarget(96, 80, 128);
    const Pass passes[3] = {{1, &source, 96, 80, &first}, {2, &first, 96, 80, &second}, {3, &second, kWidth, kHeight, nullptr}};
    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);

    Frame throughRuntime[3], throughGlsl[3];
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < 3; ++i) {
        drawCg(cgPasses[i], passes[i], source, previous, vp, fp);
        throughRuntime[i] = readBack(passes[i].outW, passes[i].outH);
        copyToTarget(passes[i]);
    }
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) fail("GL error 0x%x after the runtime's chain", unsigned(error));

    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < 3; ++i) {
        GLuint program = glslPass(i + 1);
        drawGlsl(program, passes[i], source, previous);
        throughGlsl[i] = readBack(passes[i].outW, passes[i].outH);
        copyToTarget(passes[i]);
    }
    error = glGetError();
    if (error != GL_NO_ERROR) fail("GL error 0x%x after the GLSL chain", unsigned(error));

    for (int i = 0; i < 3; ++i) compare(i + 1, throughRuntime[i], throughGlsl[i]);

    cgDestroyContext(context);
    client::closeWindow();
    if (runtimeErrors) std::fprintf(stderr, "%d runtime errors\n", runtimeErrors);
    std::printf("%s\n", failures ? "FAILED" : "ok");
    return failures ? 1 : 0;
}
