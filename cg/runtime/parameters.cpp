// The cg entry points for parameters: lookup by name, iteration over the tree of structs,
// arrays and leaves, and what each one is (type, semantic, direction, variability, the
// resource it was bound to).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "runtime.h"

namespace vela::cg {
namespace {

const char *const baseNames[] = {"half", "float", "fixed", "int", "bool"};
const char *const samplerNames[] = {"sampler1D", "sampler2D", "sampler3D", "samplerCUBE", "samplerRECT"};

// Base (bool, int, fixed, half, float) -> the order of CGtype's bases.
int typeBase(Base b) {
    switch (b) {
    case Base::Half: return 0;
    case Base::Float: return 1;
    case Base::Fixed: return 2;
    case Base::Int: return 3;
    case Base::Bool: return 4;
    }
    return 1;
}

// The top-level parameter a parameter belongs to.
const ParameterInfo &top(const ProgramObject &p, size_t index) {
    while (p.parameters[index].parent >= 0) index = size_t(p.parameters[index].parent);
    return p.parameters[index];
}

bool inNamespace(const ProgramObject &p, size_t index, CGenum space) {
    return top(p, index).global == (space == CG_GLOBAL);
}

bool validSpace(CGenum space) {
    if (space == CG_PROGRAM || space == CG_GLOBAL) return true;
    setError(CG_INVALID_ENUMERANT_ERROR);
    return false;
}

bool isLeaf(const ParameterInfo &p) { return p.kind != ParameterInfo::Struct && p.kind != ParameterInfo::Array; }

// An array's (innermost) element, which gives an array its rows and columns; else itself.
const ParameterInfo &element(const ProgramObject &program, const ParameterInfo &p) {
    const ParameterInfo *e = &p;
    while (e->kind == ParameterInfo::Array && !e->children.empty()) e = &program.parameters[size_t(e->children[0])];
    return *e;
}

struct ResourceName {
    CGresource resource;
    const char *name;
    int count;
};
const ResourceName resources[] = {
    {CG_UNDEFINED, "undefined", 1}, {CG_C, "C", 1},           {CG_TEXUNIT0, "TEXUNIT", 16},
    {CG_POSITION0, "POSITION", 1},  {CG_NORMAL0, "NORMAL", 1}, {CG_COLOR0, "COLOR", 2},
    {CG_TEXCOORD0, "TEXCOORD", 8},  {CG_FOG0, "FOG", 1},       {CG_PSIZE0, "PSIZE", 1},
    {CG_BLENDWEIGHT0, "BLENDWEIGHT", 1}, {CG_ATTR0, "ATTR", 16}, {CG_WPOS, "WPOS", 1},
    {CG_DEPTH0, "DEPTH", 1},
};

}  // namespace

CGtype parameterType(const ParameterInfo &p) {
    switch (p.kind) {
    case ParameterInfo::Struct: return CG_STRUCT;
    case ParameterInfo::Array: return CG_ARRAY;
    case ParameterInfo::Sampler: return CGtype(CG_SAMPLER1D + int(p.sampler));
    case ParameterInfo::Scalar: return CGtype(CG_HALF + 21 * typeBase(p.base));
    case ParameterInfo::Vector: return CGtype(CG_HALF + 21 * typeBase(p.base) + p.cols);
    case ParameterInfo::Matrix: return CGtype(CG_HALF + 21 * typeBase(p.base) + 5 + (p.rows - 1) * 4 + (p.cols - 1));
    }
    return CG_UNKNOWN_TYPE;
}

}  // namespace vela::cg

using namespace vela::cg;

namespace {

CGresource resourceOf(const ParameterInfo &p, bool base) {
    if (p.uniform) {
        if (p.kind == ParameterInfo::Sampler)
            return p.textureUnit >= 0 ? CGresource(CG_TEXUNIT0 + (base ? 0 : p.textureUnit)) : CG_UNDEFINED;
        if (p.kind == ParameterInfo::Struct || p.kind == ParameterInfo::Array) return CG_UNDEFINED;
        return p.firstSlot >= 0 ? CG_C : CG_UNDEFINED;
    }
    int index = base ? 0 : p.reg.index;
    switch (p.reg.kind) {
    case SemanticRegister::Position: return CG_POSITION0;
    case SemanticRegister::Normal: return CG_NORMAL0;
    case SemanticRegister::Color: return CGresource(CG_COLOR0 + index);
    case SemanticRegister::TexCoord: return CGresource(CG_TEXCOORD0 + index);
    case SemanticRegister::Fog: return CG_FOG0;
    case SemanticRegister::PSize: return CG_PSIZE0;
    case SemanticRegister::BlendWeight: return CG_BLENDWEIGHT0;
    case SemanticRegister::Attr: return CGresource(CG_ATTR0 + index);
    case SemanticRegister::Wpos: return CG_WPOS;
    case SemanticRegister::Depth: return CG_DEPTH0;
    default: return CG_UNDEFINED;
    }
}

}  // namespace

extern "C" {

CGparameter cgGetNamedParameter(CGprogram program, const char *name) {
    ProgramObject *p = findProgram(program);
    if (!p) return nullptr;
    if (!name) {
        setError(CG_INVALID_POINTER_ERROR);
        return nullptr;
    }
    for (size_t i = 0; i < p->parameters.size(); ++i)
        if (p->parameters[i].name == name) return parameterHandle(*p, i);
    // A combined program: the first domain program's (values reach the others too).
    for (uint32_t id : p->domains)
        if (CGparameter q = cgGetNamedParameter(toHandle<CGprogram>(id), name)) return q;
    return nullptr;
}

CGparameter cgGetFirstParameter(CGprogram program, CGenum name_space) {
    ProgramObject *p = findProgram(program);
    if (!p || !validSpace(name_space)) return nullptr;
    for (size_t i = 0; i < p->parameters.size(); ++i)
        if (p->parameters[i].parent < 0 && inNamespace(*p, i, name_space)) return parameterHandle(*p, i);
    return nullptr;
}

CGparameter cgGetNextParameter(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return nullptr;
    const ProgramObject &p = *ref.program;
    int parent = ref.info->parent;
    if (parent >= 0) {
        const std::vector<int> &siblings = p.parameters[size_t(parent)].children;
        for (size_t k = 0; k + 1 < siblings.size(); ++k)
            if (size_t(siblings[k]) == ref.index) return parameterHandle(p, size_t(siblings[k + 1]));
        return nullptr;
    }
    for (size_t i = ref.index + 1; i < p.parameters.size(); ++i)
        if (p.parameters[i].parent < 0 && p.parameters[i].global == ref.info->global) return parameterHandle(p, i);
    return nullptr;
}

CGparameter cgGetFirstLeafParameter(CGprogram program, CGenum name_space) {
    ProgramObject *p = findProgram(program);
    if (!p || !validSpace(name_space)) return nullptr;
    for (size_t i = 0; i < p->parameters.size(); ++i)
        if (isLeaf(p->parameters[i]) && inNamespace(*p, i, name_space)) return parameterHandle(*p, i);
    return nullptr;
}

CGparameter cgGetNextLeafParameter(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return nullptr;
    const ProgramObject &p = *ref.program;
    bool global = top(p, ref.index).global;
    for (size_t i = ref.index + 1; i < p.parameters.size(); ++i)
        if (isLeaf(p.parameters[i]) && top(p, i).global == global) return parameterHandle(p, i);
    return nullptr;
}

CGparameter cgGetFirstStructParameter(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return nullptr;
    if (ref.info->kind != ParameterInfo::Struct) {
        setError(CG_INVALID_PARAMETER_TYPE_ERROR);
        return nullptr;
    }
    return ref.info->children.empty() ? nullptr : parameterHandle(*ref.program, size_t(ref.info->children[0]));
}

CGparameter cgGetNamedStructParameter(CGparameter parameter, const char *name) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return nullptr;
    if (!name) {
        setError(CG_INVALID_POINTER_ERROR);
        return nullptr;
    }
    if (ref.info->kind != ParameterInfo::Struct) {
        setError(CG_INVALID_PARAMETER_TYPE_ERROR);
        return nullptr;
    }
    std::string full = ref.info->name + "." + name;
    for (int child : ref.info->children)
        if (ref.program->parameters[size_t(child)].name == full) return parameterHandle(*ref.program, size_t(child));
    return nullptr;
}

CGparameter cgGetArrayParameter(CGparameter parameter, int index) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return nullptr;
    if (ref.info->kind != ParameterInfo::Array) {
        setError(CG_ARRAY_PARAM_ERROR);
        return nullptr;
    }
    if (index < 0 || size_t(index) >= ref.info->children.size()) {
        setError(CG_OUT_OF_ARRAY_BOUNDS_ERROR);
        return nullptr;
    }
    return parameterHandle(*ref.program, size_t(ref.info->children[size_t(index)]));
}

int cgGetArrayDimension(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return 0;
    if (ref.info->kind != ParameterInfo::Array) {
        setError(CG_ARRAY_PARAM_ERROR);
        return 0;
    }
    int dims = 0;
    const ParameterInfo *p = ref.info;
    while (p->kind == ParameterInfo::Array && !p->children.empty()) {
        ++dims;
        p = &ref.program->parameters[size_t(p->children[0])];
    }
    return dims;
}

int cgGetArraySize(CGparameter parameter, int dimension) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return 0;
    if (ref.info->kind != ParameterInfo::Array) {
        setError(CG_ARRAY_PARAM_ERROR);
        return 0;
    }
    if (dimension < 0) {
        setError(CG_INVALID_DIMENSION_ERROR);
        return 0;
    }
    const ParameterInfo *p = ref.info;
    for (int d = 0; d < dimension; ++d) {
        if (p->children.empty() || ref.program->parameters[size_t(p->children[0])].kind != ParameterInfo::Array) {
            setError(CG_OUT_OF_ARRAY_BOUNDS_ERROR);
            return 0;
        }
        p = &ref.program->parameters[size_t(p->children[0])];
    }
    return p->length;
}

CGprogram cgGetParameterProgram(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return nullptr;
    return reinterpret_cast<CGprogram>(static_cast<uintptr_t>(ref.program->id));
}

CGcontext cgGetParameterContext(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return nullptr;
    return reinterpret_cast<CGcontext>(static_cast<uintptr_t>(ref.program->context));
}

const char *cgGetParameterName(CGparameter parameter) {
    ParameterRef ref;
    return findParameter(parameter, ref) ? ref.info->name.c_str() : nullptr;
}

CGtype cgGetParameterType(CGparameter parameter) {
    ParameterRef ref;
    return findParameter(parameter, ref) ? parameterType(*ref.info) : CG_UNKNOWN_TYPE;
}

int cgGetParameterRows(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return 0;
    const ParameterInfo &p = element(*ref.program, *ref.info);
    return isLeaf(p) && p.kind != ParameterInfo::Sampler ? p.rows : 0;
}

int cgGetParameterColumns(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return 0;
    const ParameterInfo &p = element(*ref.program, *ref.info);
    return isLeaf(p) && p.kind != ParameterInfo::Sampler ? p.cols : 0;
}

const char *cgGetParameterSemantic(CGparameter parameter) {
    ParameterRef ref;
    return findParameter(parameter, ref) ? ref.info->semantic.c_str() : nullptr;
}

CGenum cgGetParameterDirection(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return CG_ERROR;
    switch (ref.info->direction) {
    case ParameterInfo::Out: return CG_OUT;
    case ParameterInfo::InOut: return CG_INOUT;
    default: return CG_IN;
    }
}

CGenum cgGetParameterVariability(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return CG_ERROR;
    return ref.info->uniform ? CG_UNIFORM : CG_VARYING;
}

CGresource cgGetParameterResource(CGparameter parameter) {
    ParameterRef ref;
    return findParameter(parameter, ref) ? resourceOf(*ref.info, false) : CG_UNDEFINED;
}

CGresource cgGetParameterBaseResource(CGparameter parameter) {
    ParameterRef ref;
    return findParameter(parameter, ref) ? resourceOf(*ref.info, true) : CG_UNDEFINED;
}

unsigned long cgGetParameterResourceIndex(CGparameter parameter) {
    ParameterRef ref;
    if (!findParameter(parameter, ref)) return 0;
    const ParameterInfo &p = *ref.info;
    if (p.uniform) return p.kind == ParameterInfo::Sampler ? unsigned(std::max(p.textureUnit, 0)) : unsigned(std::max(p.firstSlot, 0));
    return unsigned(p.reg.index);
}

CGbool cgIsParameterReferenced(CGparameter parameter) {
    ParameterRef ref;
    return findParameter(parameter, ref) && ref.info->referenced ? CG_TRUE : CG_FALSE;
}

const char *cgGetTypeString(CGtype type) {
    static std::string names[1200];
    if (type == CG_STRUCT) return "struct";
    if (type == CG_ARRAY) return "array";
    if (type >= CG_SAMPLER1D && type <= CG_SAMPLERRECT) return samplerNames[type - CG_SAMPLER1D];
    if (type < CG_HALF || type >= CG_SAMPLER1D) return "unknown";
    std::string &name = names[type - CG_HALF];
    if (name.empty()) {
        int base = (type - CG_HALF) / 21, shape = (type - CG_HALF) % 21;
        name = baseNames[base];
        if (shape >= 1 && shape <= 4) name += std::to_string(shape);
        if (shape >= 5) name += std::to_string((shape - 5) / 4 + 1) + "x" + std::to_string((shape - 5) % 4 + 1);
    }
    return name.c_str();
}

CGtype cgGetType(const char *name) {
    if (!name || std::strcmp(name, "unknown") == 0) return CG_UNKNOWN_TYPE;
    for (int t = CG_STRUCT; t <= CG_SAMPLERRECT; ++t)
        if (std::strcmp(cgGetTypeString(CGtype(t)), name) == 0) return CGtype(t);
    return CG_UNKNOWN_TYPE;
}

const char *cgGetResourceString(CGresource resource) {
    static std::string names[sizeof resources / sizeof resources[0]][16];
    for (size_t i = 0; i < sizeof resources / sizeof resources[0]; ++i) {
        const ResourceName &r = resources[i];
        int offset = int(resource) - int(r.resource);
        if (offset < 0 || offset >= r.count) continue;
        if (r.count == 1) return r.name;
        std::string &name = names[i][offset];
        if (name.empty()) name = std::string(r.name) + std::to_string(offset);
        return name.c_str();
    }
    return "unknown";
}

const char *cgGetEnumString(CGenum value) {
    switch (value) {
    case CG_IN: return "in";
    case CG_OUT: return "out";
    case CG_INOUT: return "inout";
    case CG_VARYING: return "varying";
    case CG_UNIFORM: return "uniform";
    case CG_CONSTANT: return "constant";
    case CG_GLOBAL: return "global";
    case CG_PROGRAM: return "program";
    case CG_SOURCE: return "source";
    case CG_OBJECT: return "object";
    default: return "unknown";
    }
}

}  // extern "C"
