// The cgGL entry points for the varying inputs of vertex programs: vertex arrays
// (cgGLSetParameterPointer, cgGLEnable/DisableClientState) and immediate-mode values
// (cgGLSetParameter* on a varying), each the GL call of the input's register.
#include "gl_binding.h"

namespace vela::cg {
namespace {

// Entry points beyond GL 1.1, looked up with a current context; null where missing.
struct VaryingCalls {
    PFNGLCLIENTACTIVETEXTUREPROC clientActiveTexture = nullptr;
    PFNGLMULTITEXCOORD4FPROC multiTexCoord4f = nullptr;
    PFNGLSECONDARYCOLORPOINTERPROC secondaryColorPointer = nullptr;
    PFNGLSECONDARYCOLOR3FPROC secondaryColor3f = nullptr;
    PFNGLVERTEXATTRIBPOINTERARBPROC vertexAttribPointer = nullptr;
    PFNGLENABLEVERTEXATTRIBARRAYARBPROC enableVertexAttribArray = nullptr;
    PFNGLDISABLEVERTEXATTRIBARRAYARBPROC disableVertexAttribArray = nullptr;
    PFNGLVERTEXATTRIB4FARBPROC vertexAttrib4f = nullptr;
};

const VaryingCalls &calls() {
    static VaryingCalls c;
    static bool looked = false;
    if (!looked) {
        c.clientActiveTexture = glFunction<PFNGLCLIENTACTIVETEXTUREPROC>("glClientActiveTexture");
        c.multiTexCoord4f = glFunction<PFNGLMULTITEXCOORD4FPROC>("glMultiTexCoord4f");
        c.secondaryColorPointer = glFunction<PFNGLSECONDARYCOLORPOINTERPROC>("glSecondaryColorPointer");
        c.secondaryColor3f = glFunction<PFNGLSECONDARYCOLOR3FPROC>("glSecondaryColor3f");
        c.vertexAttribPointer = glFunction<PFNGLVERTEXATTRIBPOINTERARBPROC>("glVertexAttribPointerARB");
        c.enableVertexAttribArray = glFunction<PFNGLENABLEVERTEXATTRIBARRAYARBPROC>("glEnableVertexAttribArrayARB");
        c.disableVertexAttribArray = glFunction<PFNGLDISABLEVERTEXATTRIBARRAYARBPROC>("glDisableVertexAttribArrayARB");
        c.vertexAttrib4f = glFunction<PFNGLVERTEXATTRIB4FARBPROC>("glVertexAttrib4fARB");
        // Looked up once a context exists; before that every entry point is still unknown.
        looked = c.clientActiveTexture != nullptr;
    }
    return c;
}

// A varying input of a vertex program with a register the GL has an array for; else the
// error, with no GL call.
bool vertexInput(const ParameterRef &ref) {
    const ParameterInfo &p = *ref.info;
    const ProfileDesc &d = describe(ref.program->profile);
    if (p.uniform || p.direction == ParameterInfo::Out || d.stage != Stage::Vertex || !d.isInput(p.reg)) {
        setError(CG_INVALID_PARAMETER_ERROR, ref.program->context);
        return false;
    }
    switch (p.reg.kind) {
    case SemanticRegister::Position:
    case SemanticRegister::Normal:
    case SemanticRegister::Color:
    case SemanticRegister::TexCoord:
    case SemanticRegister::Attr: return hasContext();
    default: setError(CG_INVALID_PARAMETER_ERROR, ref.program->context); return false;
    }
}

bool missing(const ParameterRef &ref, const void *entry) {
    if (entry) return false;
    setError(CG_UNSUPPORTED_GL_EXTENSION_ERROR, ref.program->context);
    return true;
}

// Runs `work` with the client texture unit of TEXCOORDn active, restoring the previous one.
template <class F> void onClientUnit(const VaryingCalls &gl, int unit, F work) {
    GLint previous = GL_TEXTURE0;
    glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &previous);
    gl.clientActiveTexture(GLenum(GL_TEXTURE0 + unit));
    work();
    gl.clientActiveTexture(GLenum(previous));
}

void clientState(CGparameter parameter, bool enable) {
    ParameterRef ref;
    if (!findParameter(parameter, ref) || !vertexInput(ref)) return;
    const VaryingCalls &gl = calls();
    auto state = [enable](GLenum array) { enable ? glEnableClientState(array) : glDisableClientState(array); };
    const SemanticRegister &r = ref.info->reg;
    switch (r.kind) {
    case SemanticRegister::Position: return state(GL_VERTEX_ARRAY);
    case SemanticRegister::Normal: return state(GL_NORMAL_ARRAY);
    case SemanticRegister::Color:
        if (r.index == 0) return state(GL_COLOR_ARRAY);
        if (!missing(ref, reinterpret_cast<const void *>(gl.secondaryColorPointer))) state(GL_SECONDARY_COLOR_ARRAY);
        return;
    case SemanticRegister::TexCoord:
        if (!missing(ref, reinterpret_cast<const void *>(gl.clientActiveTexture)))
            onClientUnit(gl, r.index, [&] { state(GL_TEXTURE_COORD_ARRAY); });
        return;
    case SemanticRegister::Attr: {
        auto call = enable ? gl.enableVertexAttribArray : gl.disableVertexAttribArray;
        if (!missing(ref, reinterpret_cast<const void *>(call))) call(r.index);
        return;
    }
    default: return;
    }
}

}  // namespace

template <class T> void setVarying(const ParameterRef &ref, const T *values, int count) {
    if (!vertexInput(ref)) return;
    GLfloat v[4] = {0, 0, 0, 1};
    for (int i = 0; i < count && i < 4; ++i) v[i] = GLfloat(values[i]);
    const VaryingCalls &gl = calls();
    const SemanticRegister &r = ref.info->reg;
    switch (r.kind) {
    case SemanticRegister::Position: return glVertex4f(v[0], v[1], v[2], v[3]);
    case SemanticRegister::Normal: return glNormal3f(v[0], v[1], v[2]);
    case SemanticRegister::Color:
        if (r.index == 0) return glColor4f(v[0], v[1], v[2], v[3]);
        if (!missing(ref, reinterpret_cast<const void *>(gl.secondaryColor3f))) gl.secondaryColor3f(v[0], v[1], v[2]);
        return;
    case SemanticRegister::TexCoord:
        if (!missing(ref, reinterpret_cast<const void *>(gl.multiTexCoord4f)))
            gl.multiTexCoord4f(GLenum(GL_TEXTURE0 + r.index), v[0], v[1], v[2], v[3]);
        return;
    case SemanticRegister::Attr:
        if (!missing(ref, reinterpret_cast<const void *>(gl.vertexAttrib4f))) gl.vertexAttrib4f(r.index, v[0], v[1], v[2], v[3]);
        return;
    default: return;
    }
}

void setVaryingValue(const ParameterRef &ref, const float *values, int count) { setVarying(ref, values, count); }
void setVaryingValue(const ParameterRef &ref, const double *values, int count) { setVarying(ref, values, count); }

}  // namespace vela::cg

using namespace vela::cg;

extern "C" {

void cgGLSetParameterPointer(CGparameter parameter, int size, unsigned int type, int stride, const void *pointer) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return;
    uint32_t context = ref.program->context;
    if (type != GL_UNSIGNED_BYTE && type != GL_SHORT && type != GL_INT && type != GL_FLOAT && type != GL_DOUBLE)
        return setError(CG_INVALID_ENUMERANT_ERROR, context);
    if (!vertexInput(ref)) return;
    const SemanticRegister &r = ref.info->reg;
    // What each GL call takes; anything else would be a GL error, refused here instead.
    int low = 1, high = 4;
    bool bytes = r.kind == SemanticRegister::Color || r.kind == SemanticRegister::Attr;
    if (r.kind == SemanticRegister::Position) low = 2;
    if (r.kind == SemanticRegister::Color) low = 3, high = r.index == 0 ? 4 : 3;
    if (r.kind == SemanticRegister::Normal) low = high = 3;
    if (size < low || size > high || stride < 0 || (type == GL_UNSIGNED_BYTE && !bytes))
        return setError(CG_INVALID_PARAMETER_ERROR, context);
    const VaryingCalls &gl = calls();
    switch (r.kind) {
    case SemanticRegister::Position: return glVertexPointer(size, type, stride, pointer);
    case SemanticRegister::Normal: return glNormalPointer(type, stride, pointer);
    case SemanticRegister::Color:
        if (r.index == 0) return glColorPointer(size, type, stride, pointer);
        if (!missing(ref, reinterpret_cast<const void *>(gl.secondaryColorPointer)))
            gl.secondaryColorPointer(size, type, stride, pointer);
        return;
    case SemanticRegister::TexCoord:
        if (!missing(ref, reinterpret_cast<const void *>(gl.clientActiveTexture)))
            onClientUnit(gl, r.index, [&] { glTexCoordPointer(size, type, stride, pointer); });
        return;
    case SemanticRegister::Attr:
        if (!missing(ref, reinterpret_cast<const void *>(gl.vertexAttribPointer)))
            gl.vertexAttribPointer(r.index, size, type, GL_FALSE, stride, pointer);
        return;
    default: return;
    }
}

void cgGLEnableClientState(CGparameter parameter) { clientState(parameter, true); }

void cgGLDisableClientState(CGparameter parameter) { clientState(parameter, false); }

}  // extern "C"
