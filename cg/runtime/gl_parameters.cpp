// The cgGL entry points for parameter values: scalars, vectors, arrays, matrices (given,
// or taken from the GL's matrix stacks) and textures. Values are kept here as well as in
// the GL: values set before the program is loaded reach the GL when it is, and a uniform
// the program never reads still keeps what was set.
#include <cmath>
#include <cstring>
#include <iterator>
#include <utility>

#include "gl_binding.h"

namespace vela::cg {

namespace {

// A packed slot's value: the components of every uniform that shares it.
std::array<float, 4> packedSlot(const ProgramObject &program, int slot) {
    std::array<float, 4> v = {};
    for (const ParameterInfo &q : program.parameters) {
        if (!q.packed || q.firstSlot != slot) continue;
        for (int c = 0; c < q.cols && q.firstComponent + c < 4; ++c)
            v[size_t(q.firstComponent + c)] = program.rows[size_t(q.row)][size_t(c)];
    }
    return v;
}

void uploadRow(const ArbPrograms &gl, GLenum target, const ProgramObject &program, const ParameterInfo &p, int r) {
    if (p.packed) {
        std::array<float, 4> v = packedSlot(program, p.firstSlot);
        gl.programLocalParameter4fv(target, GLuint(p.firstSlot), v.data());
    } else {
        gl.programLocalParameter4fv(target, GLuint(p.firstSlot + r), program.rows[size_t(p.row + r)].data());
    }
}

// The values computed from the uniforms, anew; those that rows [first, first + count) feed
// reach the GL (count < 0: all of them).
void uploadDerived(const ArbPrograms &gl, GLenum target, const ProgramObject &program, int first = 0, int count = -1) {
    if (program.derived.empty()) return;
    auto values = evaluateDerived(program.derived, [&](int row) {
        return row >= 0 && size_t(row) < program.rows.size() ? program.rows[size_t(row)] : std::array<float, 4>{};
    });
    std::vector<bool> changed(program.derived.size(), count < 0);
    for (size_t i = 0; i < program.derived.size(); ++i) {
        const DerivedStep &step = program.derived[i];
        for (int s = 0; s < step.nsrc && s < int(std::size(step.src)); ++s) {
            const DerivedStep::Source &src = step.src[s];
            bool fed = src.row >= first && src.row < first + count;
            changed[i] = changed[i] || fed || (src.step >= 0 && size_t(src.step) < i && changed[size_t(src.step)]);
        }
        if (changed[i] && step.slot >= 0) gl.programLocalParameter4fv(target, GLuint(step.slot), values[i].data());
    }
}

}  // namespace

void uploadRows(ProgramObject &program, const ParameterInfo &p, int first, int count) {
    if ((p.firstSlot < 0 && program.derived.empty()) || !program.loaded || !glContextCurrent()) return;
    const ArbPrograms *gl = arb();
    if (!gl) return;
    withProgramBound(*gl, program, [&](GLenum target) {
        if (p.firstSlot >= 0)
            for (int i = 0; i < count; ++i) uploadRow(*gl, target, program, p, first + i);
        uploadDerived(*gl, target, program, p.row + first, count);
    });
}

void uploadAll(const ArbPrograms &gl, GLenum target, const ProgramObject &p) {
    for (const ParameterInfo &info : p.parameters) {
        bool numeric = info.kind == ParameterInfo::Scalar || info.kind == ParameterInfo::Vector ||
                       info.kind == ParameterInfo::Matrix;
        if (!info.uniform || !numeric || info.firstSlot < 0) continue;
        for (int r = 0; r < info.rows; ++r) uploadRow(gl, target, p, info, r);
    }
    uploadDerived(gl, target, p);
}

namespace {

GLenum textureTarget(SamplerKind sampler) {
    static const GLenum targets[] = {GL_TEXTURE_1D, GL_TEXTURE_2D, 0x806F /* 3D */, 0x8513 /* CUBE_MAP */,
                                     0x84F5 /* RECTANGLE */};
    return targets[int(sampler)];
}

void bindTexture(const ArbPrograms *gl, const ParameterInfo &p, unsigned texture) {
    if (gl && gl->activeTexture) gl->activeTexture(GLenum(GL_TEXTURE0 + p.textureUnit));
    glBindTexture(textureTarget(p.sampler), texture);
}

bool uniformParameter(CGparameter parameter, ParameterRef &ref) {
    if (!findParameter(parameter, ref)) return false;
    if (!ref.info->uniform) {
        setError(CG_NOT_UNIFORM_PARAM_ERROR);
        return false;
    }
    return true;
}

// A scalar or vector (vector setters), or a matrix (matrix setters).
bool valueParameter(CGparameter parameter, ParameterRef &ref, bool matrix) {
    if (!uniformParameter(parameter, ref)) return false;
    ParameterInfo::Kind k = ref.info->kind;
    bool fits = matrix ? k == ParameterInfo::Matrix : k == ParameterInfo::Scalar || k == ParameterInfo::Vector;
    if (!fits || ref.info->row < 0) {
        setError(CG_INVALID_PARAMETER_TYPE_ERROR);
        return false;
    }
    return true;
}

template <class T> bool pointer(const T *values) {
    if (values) return true;
    setError(CG_INVALID_POINTER_ERROR);
    return false;
}

// The given components of a scalar or vector; the others keep their values.
template <class T> void setComponents(ProgramObject &program, const ParameterInfo &p, const T *values, int count) {
    float row[1][4];
    std::memcpy(row[0], program.rows[size_t(p.row)].data(), sizeof row[0]);
    for (int i = 0; i < count && i < p.cols; ++i) row[0][i] = float(values[i]);
    storeRows(program, p, 0, row, 1);
}

template <class T> void setVector(CGparameter parameter, const T *values, int count) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return;
    // A vertex program's input is the GL's current attribute; other varyings take no value.
    if (!ref.info->uniform && ref.info->direction != ParameterInfo::Out &&
        describe(ref.program->profile).stage == Stage::Vertex) {
        if (pointer(values)) setVaryingValue(ref, values, count);
        return;
    }
    if (!valueParameter(parameter, ref, false) || !pointer(values)) return;
    setComponents(*ref.program, *ref.info, values, count);
}

template <class T> void getVector(CGparameter parameter, T *values, int count) {
    ParameterRef ref;
    if (!valueParameter(parameter, ref, false) || !pointer(values)) return;
    for (int i = 0; i < count && i < ref.info->cols; ++i) values[i] = T(ref.program->rows[size_t(ref.info->row)][size_t(i)]);
}

// Elements [offset, offset + count) of an array (count 0: to its end), or null.
const std::vector<int> *elements(const ParameterRef &ref, long offset, long &count) {
    if (ref.info->kind != ParameterInfo::Array) {
        setError(CG_ARRAY_PARAM_ERROR);
        return nullptr;
    }
    const std::vector<int> &all = ref.info->children;
    // Compared without adding, so offsets and counts near LONG_MAX cannot overflow.
    long size = long(all.size());
    if (offset >= 0 && offset <= size && count == 0) count = size - offset;
    if (offset < 0 || offset > size || count < 0 || count > size - offset) {
        setError(CG_OUT_OF_ARRAY_BOUNDS_ERROR);
        return nullptr;
    }
    return &all;
}

template <class T> void setVectorArray(CGparameter parameter, long offset, long count, const T *values, int n) {
    ParameterRef ref;
    if (!uniformParameter(parameter, ref) || !pointer(values)) return;
    const std::vector<int> *all = elements(ref, offset, count);
    if (!all) return;
    for (long i = 0; i < count; ++i) {
        const ParameterInfo &e = ref.program->parameters[size_t((*all)[size_t(offset + i)])];
        if (e.kind != ParameterInfo::Scalar && e.kind != ParameterInfo::Vector) {
            setError(CG_INVALID_PARAMETER_TYPE_ERROR);
            return;
        }
        setComponents(*ref.program, e, values + i * n, n);
    }
}

// Rows x columns values of a matrix, row after row or column after column.
template <class T> void storeMatrix(ProgramObject &program, const ParameterInfo &p, const T *values, bool byRows) {
    float rows[4][4] = {};
    for (int r = 0; r < p.rows; ++r)
        for (int c = 0; c < p.cols; ++c) rows[r][c] = float(byRows ? values[r * p.cols + c] : values[c * p.rows + r]);
    storeRows(program, p, 0, rows, p.rows);
}

template <class T> void setMatrix(CGparameter parameter, const T *values, bool byRows) {
    ParameterRef ref;
    if (!valueParameter(parameter, ref, true) || !pointer(values)) return;
    storeMatrix(*ref.program, *ref.info, values, byRows);
}

template <class T> void getMatrix(CGparameter parameter, T *values, bool byRows) {
    ParameterRef ref;
    if (!valueParameter(parameter, ref, true) || !pointer(values)) return;
    const ParameterInfo &p = *ref.info;
    for (int r = 0; r < p.rows; ++r)
        for (int c = 0; c < p.cols; ++c)
            values[byRows ? r * p.cols + c : c * p.rows + r] = T(ref.program->rows[size_t(p.row + r)][size_t(c)]);
}

template <class T> void setMatrixArray(CGparameter parameter, long offset, long count, const T *values, bool byRows) {
    ParameterRef ref;
    if (!uniformParameter(parameter, ref) || !pointer(values)) return;
    const std::vector<int> *all = elements(ref, offset, count);
    if (!all) return;
    for (long i = 0, at = 0; i < count; ++i) {
        const ParameterInfo &e = ref.program->parameters[size_t((*all)[size_t(offset + i)])];
        if (e.kind != ParameterInfo::Matrix) {
            setError(CG_INVALID_PARAMETER_TYPE_ERROR);
            return;
        }
        storeMatrix(*ref.program, e, values + at, byRows);
        at += e.rows * e.cols;
    }
}

bool invert(const double m[4][4], double out[4][4]) {
    double a[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 8; ++j) a[i][j] = j < 4 ? m[i][j] : (j - 4 == i ? 1 : 0);
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        if (std::fabs(a[pivot][c]) < 1e-12) return false;
        if (pivot != c)
            for (int j = 0; j < 8; ++j) std::swap(a[c][j], a[pivot][j]);
        double scale = 1 / a[c][c];
        for (int j = 0; j < 8; ++j) a[c][j] *= scale;
        for (int r = 0; r < 4; ++r) {
            if (r == c || a[r][c] == 0) continue;
            double f = a[r][c];
            for (int j = 0; j < 8; ++j) a[r][j] -= f * a[c][j];
        }
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out[i][j] = a[i][j + 4];
    return true;
}

// A GL matrix (column-major) as rows.
void readMatrix(GLenum which, double rows[4][4]) {
    GLfloat m[16] = {};
    glGetFloatv(which, m);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) rows[i][j] = m[j * 4 + i];
}

bool samplerParameter(CGparameter parameter, ParameterRef &ref) {
    if (!uniformParameter(parameter, ref)) return false;
    if (ref.info->kind != ParameterInfo::Sampler) {
        setError(CG_INVALID_PARAMETER_TYPE_ERROR);
        return false;
    }
    return true;
}

}  // namespace

void bindTextures(const ArbPrograms &gl, const ProgramObject &p) {
    for (size_t i = 0; i < p.parameters.size(); ++i)
        if (p.parameters[i].kind == ParameterInfo::Sampler && p.textures[i] && p.parameters[i].textureUnit >= 0)
            bindTexture(&gl, p.parameters[i], p.textures[i]);
}

}  // namespace vela::cg

using namespace vela::cg;

extern "C" {

void cgGLSetStateMatrixParameter(CGparameter parameter, CGGLenum matrix, CGGLenum transform) {
    ParameterRef ref;
    if (!valueParameter(parameter, ref, true)) return;
    if (matrix < CG_GL_MODELVIEW_MATRIX || matrix > CG_GL_MODELVIEW_PROJECTION_MATRIX ||
        transform < CG_GL_MATRIX_IDENTITY || transform > CG_GL_MATRIX_INVERSE_TRANSPOSE) {
        setError(CG_INVALID_ENUMERANT_ERROR);
        return;
    }
    if (!hasContext()) return;
    double m[4][4];
    if (matrix == CG_GL_MODELVIEW_PROJECTION_MATRIX) {
        double projection[4][4], modelview[4][4];
        readMatrix(GL_PROJECTION_MATRIX, projection);
        readMatrix(GL_MODELVIEW_MATRIX, modelview);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                m[i][j] = 0;
                for (int k = 0; k < 4; ++k) m[i][j] += projection[i][k] * modelview[k][j];
            }
    } else {
        readMatrix(matrix == CG_GL_MODELVIEW_MATRIX    ? GL_MODELVIEW_MATRIX
                   : matrix == CG_GL_PROJECTION_MATRIX ? GL_PROJECTION_MATRIX
                                                       : GL_TEXTURE_MATRIX,
                   m);
    }
    double result[4][4];
    if (transform == CG_GL_MATRIX_INVERSE || transform == CG_GL_MATRIX_INVERSE_TRANSPOSE) {
        if (!invert(m, result)) {
            setError(CG_SINGULAR_MATRIX_ERROR);
            return;
        }
        std::memcpy(m, result, sizeof m);
    }
    bool transpose = transform == CG_GL_MATRIX_TRANSPOSE || transform == CG_GL_MATRIX_INVERSE_TRANSPOSE;
    float rows[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) rows[i][j] = float(transpose ? m[j][i] : m[i][j]);
    // A smaller matrix parameter takes the upper-left part.
    const ParameterInfo &p = *ref.info;
    for (int i = 0; i < 4; ++i)
        for (int j = p.cols; j < 4; ++j) rows[i][j] = 0;
    storeRows(*ref.program, p, 0, rows, p.rows);
}

// The same calls for float and double values.
#define VELA_VECTOR_CALLS(T, s)                                                                         \
    void cgGLSetParameter1##s(CGparameter p, T x) { setVector(p, &x, 1); }                              \
    void cgGLSetParameter2##s(CGparameter p, T x, T y) {                                                \
        const T v[] = {x, y};                                                                           \
        setVector(p, v, 2);                                                                             \
    }                                                                                                   \
    void cgGLSetParameter3##s(CGparameter p, T x, T y, T z) {                                           \
        const T v[] = {x, y, z};                                                                        \
        setVector(p, v, 3);                                                                             \
    }                                                                                                   \
    void cgGLSetParameter4##s(CGparameter p, T x, T y, T z, T w) {                                      \
        const T v[] = {x, y, z, w};                                                                     \
        setVector(p, v, 4);                                                                             \
    }                                                                                                   \
    void cgGLSetParameter1##s##v(CGparameter p, const T *v) { setVector(p, v, 1); }                     \
    void cgGLSetParameter2##s##v(CGparameter p, const T *v) { setVector(p, v, 2); }                     \
    void cgGLSetParameter3##s##v(CGparameter p, const T *v) { setVector(p, v, 3); }                     \
    void cgGLSetParameter4##s##v(CGparameter p, const T *v) { setVector(p, v, 4); }                     \
    void cgGLGetParameter1##s(CGparameter p, T *v) { getVector(p, v, 1); }                              \
    void cgGLGetParameter2##s(CGparameter p, T *v) { getVector(p, v, 2); }                              \
    void cgGLGetParameter3##s(CGparameter p, T *v) { getVector(p, v, 3); }                              \
    void cgGLGetParameter4##s(CGparameter p, T *v) { getVector(p, v, 4); }                              \
    void cgGLSetParameterArray1##s(CGparameter p, long o, long n, const T *v) { setVectorArray(p, o, n, v, 1); } \
    void cgGLSetParameterArray2##s(CGparameter p, long o, long n, const T *v) { setVectorArray(p, o, n, v, 2); } \
    void cgGLSetParameterArray3##s(CGparameter p, long o, long n, const T *v) { setVectorArray(p, o, n, v, 3); } \
    void cgGLSetParameterArray4##s(CGparameter p, long o, long n, const T *v) { setVectorArray(p, o, n, v, 4); } \
    void cgGLSetMatrixParameter##s##r(CGparameter p, const T *v) { setMatrix(p, v, true); }             \
    void cgGLSetMatrixParameter##s##c(CGparameter p, const T *v) { setMatrix(p, v, false); }            \
    void cgGLGetMatrixParameter##s##r(CGparameter p, T *v) { getMatrix(p, v, true); }                   \
    void cgGLGetMatrixParameter##s##c(CGparameter p, T *v) { getMatrix(p, v, false); }                  \
    void cgGLSetMatrixParameterArray##s##r(CGparameter p, long o, long n, const T *v) {                 \
        setMatrixArray(p, o, n, v, true);                                                               \
    }                                                                                                   \
    void cgGLSetMatrixParameterArray##s##c(CGparameter p, long o, long n, const T *v) {                 \
        setMatrixArray(p, o, n, v, false);                                                              \
    }
VELA_VECTOR_CALLS(float, f)
VELA_VECTOR_CALLS(double, d)
#undef VELA_VECTOR_CALLS

void cgGLGetParameterArray4f(CGparameter parameter, long offset, long count, float *values) {
    ParameterRef ref;
    if (!uniformParameter(parameter, ref) || !pointer(values)) return;
    const std::vector<int> *all = elements(ref, offset, count);
    if (!all) return;
    for (long i = 0; i < count; ++i) {
        const ParameterInfo &e = ref.program->parameters[size_t((*all)[size_t(offset + i)])];
        if (e.row < 0) continue;
        std::memcpy(values + 4 * i, ref.program->rows[size_t(e.row)].data(), 4 * sizeof(float));
    }
}

void cgGLSetTextureParameter(CGparameter parameter, unsigned int texture) {
    ParameterRef ref;
    if (samplerParameter(parameter, ref)) ref.program->textures[ref.index] = texture;
}

unsigned int cgGLGetTextureParameter(CGparameter parameter) {
    ParameterRef ref;
    return samplerParameter(parameter, ref) ? ref.program->textures[ref.index] : 0;
}

void cgGLEnableTextureParameter(CGparameter parameter) {
    ParameterRef ref;
    if (!samplerParameter(parameter, ref) || !hasContext()) return;
    bindTexture(arb(), *ref.info, ref.program->textures[ref.index]);
}

void cgGLDisableTextureParameter(CGparameter parameter) {
    ParameterRef ref;
    if (!samplerParameter(parameter, ref) || !hasContext()) return;
    bindTexture(arb(), *ref.info, 0);
}

unsigned int cgGLGetTextureEnum(CGparameter parameter) {
    ParameterRef ref;
    if (!samplerParameter(parameter, ref)) return 0;
    return GL_TEXTURE0 + unsigned(ref.info->textureUnit);
}

void cgGLSetManageTextureParameters(CGcontext context, CGbool flag) {
    if (ContextObject *c = findContext(context)) c->manageTextures = flag != CG_FALSE;
}

CGbool cgGLGetManageTextureParameters(CGcontext context) {
    ContextObject *c = findContext(context);
    return c && c->manageTextures ? CG_TRUE : CG_FALSE;
}

}  // extern "C"
