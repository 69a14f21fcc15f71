// The cg entry points for uniform values: cgSetParameter*, cgSetMatrixParameter*,
// cgGetMatrixParameter* and cgSet/GetParameterValue*. Every value goes through storeRows,
// so it reaches the GL as the cgGL setters' do.
#include <climits>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "runtime.h"

namespace vela::cg {
namespace {

bool numeric(const ParameterInfo &p) {
    return p.kind == ParameterInfo::Scalar || p.kind == ParameterInfo::Vector || p.kind == ParameterInfo::Matrix;
}

bool uniformValue(CGparameter parameter, ParameterRef &ref) {
    if (!findParameter(parameter, ref)) return false;
    if (!ref.info->uniform) {
        setError(CG_NOT_UNIFORM_PARAM_ERROR, ref.program->context);
        return false;
    }
    return true;
}

template <class T> bool present(const ParameterRef &ref, const T *values) {
    if (values) return true;
    setError(CG_INVALID_POINTER_ERROR, ref.program->context);
    return false;
}

// Floats to ints toward zero; NaN as 0 and the rest clamped, which a cast would not do.
template <class T> T fromFloat(float v) {
    if constexpr (std::is_same_v<T, int>) {
        if (std::isnan(v)) return 0;
        if (v >= 2147483647.0f) return INT_MAX;
        if (v <= -2147483648.0f) return INT_MIN;
        return int(v);
    } else {
        return T(v);
    }
}

template <class T> void setVector(CGparameter parameter, const T *values, int count) {
    ParameterRef ref;
    if (!uniformValue(parameter, ref) || !present(ref, values)) return;
    const ParameterInfo &p = *ref.info;
    if ((p.kind != ParameterInfo::Scalar && p.kind != ParameterInfo::Vector) || p.row < 0) {
        setError(CG_INVALID_PARAMETER_TYPE_ERROR, ref.program->context);
        return;
    }
    float row[1][4];
    std::memcpy(row[0], ref.program->rows[size_t(p.row)].data(), sizeof row[0]);
    for (int i = 0; i < count && i < p.cols; ++i) row[0][i] = float(values[i]);
    storeRows(*ref.program, p, 0, row, 1);
}

// The numeric leaves of a value, element after element; false for anything else.
bool leaves(const ProgramObject &program, const ParameterInfo &p, std::vector<const ParameterInfo *> &out) {
    if (p.kind == ParameterInfo::Array) {
        for (int child : p.children)
            if (!leaves(program, program.parameters[size_t(child)], out)) return false;
        return true;
    }
    if (!numeric(p) || p.row < 0) return false;
    out.push_back(&p);
    return true;
}

// Where value i of a rows x cols leaf lives, given in row or column order.
void place(const ParameterInfo &p, int i, bool byRows, int &r, int &c) {
    r = byRows ? i / p.cols : i % p.rows;
    c = byRows ? i % p.cols : i / p.rows;
}

template <class T> bool valueLeaves(CGparameter parameter, int count, const T *values, ParameterRef &ref,
                                    std::vector<const ParameterInfo *> &all) {
    if (!uniformValue(parameter, ref) || !present(ref, values)) return false;
    if (!leaves(*ref.program, *ref.info, all)) {
        setError(CG_INVALID_PARAMETER_TYPE_ERROR, ref.program->context);
        return false;
    }
    long total = 0;
    for (const ParameterInfo *p : all) total += long(p->rows) * p->cols;
    if (count < total) {
        setError(CG_NOT_ENOUGH_DATA_ERROR, ref.program->context);
        return false;
    }
    return true;
}

template <class T> void setValue(CGparameter parameter, int count, const T *values, bool byRows) {
    ParameterRef ref;
    std::vector<const ParameterInfo *> all;
    if (!valueLeaves(parameter, count, values, ref, all)) return;
    for (const ParameterInfo *p : all) {
        float rows[4][4];
        for (int r = 0; r < p->rows; ++r) std::memcpy(rows[r], ref.program->rows[size_t(p->row + r)].data(), sizeof rows[r]);
        for (int i = 0, r, c; i < p->rows * p->cols; ++i) {
            place(*p, i, byRows, r, c);
            rows[r][c] = float(values[i]);
        }
        storeRows(*ref.program, *p, 0, rows, p->rows);
        values += p->rows * p->cols;
    }
}

template <class T> int getValue(CGparameter parameter, int count, T *values, bool byRows) {
    ParameterRef ref;
    std::vector<const ParameterInfo *> all;
    if (!valueLeaves(parameter, count, values, ref, all)) return 0;
    int written = 0;
    for (const ParameterInfo *p : all)
        for (int i = 0, r, c; i < p->rows * p->cols; ++i) {
            place(*p, i, byRows, r, c);
            values[written++] = fromFloat<T>(ref.program->rows[size_t(p->row + r)][size_t(c)]);
        }
    return written;
}

template <class T> bool matrixParameter(CGparameter parameter, const T *values, ParameterRef &ref) {
    if (!uniformValue(parameter, ref) || !present(ref, values)) return false;
    if (ref.info->kind != ParameterInfo::Matrix || ref.info->row < 0) {
        setError(CG_NOT_MATRIX_PARAM_ERROR, ref.program->context);
        return false;
    }
    return true;
}

template <class T> void setMatrix(CGparameter parameter, const T *values, bool byRows) {
    ParameterRef ref;
    if (matrixParameter(parameter, values, ref)) setValue(parameter, ref.info->rows * ref.info->cols, values, byRows);
}

template <class T> void getMatrix(CGparameter parameter, T *values, bool byRows) {
    ParameterRef ref;
    if (matrixParameter(parameter, values, ref)) getValue(parameter, ref.info->rows * ref.info->cols, values, byRows);
}

}  // namespace
}  // namespace vela::cg

using namespace vela::cg;

extern "C" {

// The same calls for float, double and int values.
#define VELA_VALUE_CALLS(T, s)                                                                                   \
    void cgSetParameter1##s(CGparameter p, T x) { setVector(p, &x, 1); }                                         \
    void cgSetParameter2##s(CGparameter p, T x, T y) {                                                           \
        const T v[] = {x, y};                                                                                    \
        setVector(p, v, 2);                                                                                      \
    }                                                                                                            \
    void cgSetParameter3##s(CGparameter p, T x, T y, T z) {                                                      \
        const T v[] = {x, y, z};                                                                                 \
        setVector(p, v, 3);                                                                                      \
    }                                                                                                            \
    void cgSetParameter4##s(CGparameter p, T x, T y, T z, T w) {                                                 \
        const T v[] = {x, y, z, w};                                                                              \
        setVector(p, v, 4);                                                                                      \
    }                                                                                                            \
    void cgSetParameter1##s##v(CGparameter p, const T *v) { setVector(p, v, 1); }                                \
    void cgSetParameter2##s##v(CGparameter p, const T *v) { setVector(p, v, 2); }                                \
    void cgSetParameter3##s##v(CGparameter p, const T *v) { setVector(p, v, 3); }                                \
    void cgSetParameter4##s##v(CGparameter p, const T *v) { setVector(p, v, 4); }                                \
    void cgSetMatrixParameter##s##r(CGparameter p, const T *v) { setMatrix(p, v, true); }                        \
    void cgSetMatrixParameter##s##c(CGparameter p, const T *v) { setMatrix(p, v, false); }                       \
    void cgGetMatrixParameter##s##r(CGparameter p, T *v) { getMatrix(p, v, true); }                              \
    void cgGetMatrixParameter##s##c(CGparameter p, T *v) { getMatrix(p, v, false); }                             \
    void cgSetParameterValue##s##r(CGparameter p, int n, const T *v) { setValue(p, n, v, true); }                \
    void cgSetParameterValue##s##c(CGparameter p, int n, const T *v) { setValue(p, n, v, false); }               \
    int cgGetParameterValue##s##r(CGparameter p, int n, T *v) { return getValue(p, n, v, true); }                \
    int cgGetParameterValue##s##c(CGparameter p, int n, T *v) { return getValue(p, n, v, false); }
VELA_VALUE_CALLS(float, f)
VELA_VALUE_CALLS(double, d)
VELA_VALUE_CALLS(int, i)
#undef VELA_VALUE_CALLS

}  // extern "C"
