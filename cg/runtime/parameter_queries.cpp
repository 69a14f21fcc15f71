// The cg entry points that say what kind of value a parameter holds: its class, its base
// type, the name of its resource, the size of an array.
#include "runtime.h"

using namespace vela::cg;

extern "C" {

CGparameterclass cgGetParameterClass(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return CG_PARAMETERCLASS_UNKNOWN;
    switch (ref.info->kind) {
    case ParameterInfo::Scalar: return CG_PARAMETERCLASS_SCALAR;
    case ParameterInfo::Vector: return CG_PARAMETERCLASS_VECTOR;
    case ParameterInfo::Matrix: return CG_PARAMETERCLASS_MATRIX;
    case ParameterInfo::Sampler: return CG_PARAMETERCLASS_SAMPLER;
    case ParameterInfo::Struct: return CG_PARAMETERCLASS_STRUCT;
    case ParameterInfo::Array: return CG_PARAMETERCLASS_ARRAY;
    }
    return CG_PARAMETERCLASS_UNKNOWN;
}

CGtype cgGetParameterBaseType(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return CG_UNKNOWN_TYPE;
    const ParameterInfo *p = ref.info;
    while (p->kind == ParameterInfo::Array && !p->children.empty()) p = &ref.program->parameters[size_t(p->children[0])];
    if (p->kind == ParameterInfo::Array) return CG_UNKNOWN_TYPE;  // no elements to say
    if (p->kind != ParameterInfo::Vector && p->kind != ParameterInfo::Matrix) return parameterType(*p);
    ParameterInfo scalar = *p;
    scalar.kind = ParameterInfo::Scalar;
    return parameterType(scalar);
}

const char *cgGetParameterResourceName(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return nullptr;
    return cgGetResourceString(cgGetParameterResource(parameter));
}

int cgGetArrayTotalSize(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return 0;
    const ParameterInfo *p = ref.info;
    if (p->kind != ParameterInfo::Array) return 0;
    long total = 1;
    for (; p->kind == ParameterInfo::Array; p = &ref.program->parameters[size_t(p->children[0])]) {
        total *= p->length;
        if (p->children.empty() || total == 0) return 0;
    }
    return int(total);
}

}  // extern "C"
