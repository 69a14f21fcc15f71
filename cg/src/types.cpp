// Types, semantics and reserved words of the language.
#include "compiler.h"

namespace vela::cg {

const char *profileName(Profile profile) { return profile == Profile::Arbvp1 ? "arbvp1" : "arbfp1"; }

int StructDecl::find(std::string_view member) const {
    for (size_t i = 0; i < members.size(); ++i)
        if (members[i].name == member) return int(i);
    return -1;
}

std::string typeName(const Type &type) {
    switch (type.kind) {
    case Type::Void: return "void";
    case Type::Float: return type.size == 1 ? "float" : "float" + std::to_string(type.size);
    case Type::Matrix: return "float" + std::to_string(type.size) + "x" + std::to_string(type.cols);
    case Type::Sampler2D: return "sampler2D";
    case Type::Struct: return "struct " + std::string(type.decl->name);
    }
    return "?";
}

namespace {

// Splits "float4x4" into base "float" and shape "4x4".
bool splitNumericName(std::string_view name, std::string_view &base, std::string_view &shape) {
    size_t i = 0;
    while (i < name.size() && !(name[i] >= '0' && name[i] <= '9')) ++i;
    base = name.substr(0, i);
    shape = name.substr(i);
    return base == "float" || base == "half" || base == "int" || base == "fixed" || base == "bool" ||
           base == "double" || base == "uint";
}

bool validShape(std::string_view shape) {
    if (shape.empty()) return true;
    if (shape.size() == 1) return shape[0] >= '1' && shape[0] <= '4';
    return shape.size() == 3 && shape[1] == 'x' && shape[0] >= '1' && shape[0] <= '4' && shape[2] >= '1' &&
           shape[2] <= '4';
}

}  // namespace

bool builtinType(std::string_view name, Type &type) {
    if (name == "void") {
        type = Type{};
        return true;
    }
    if (name == "sampler2D") {
        type = Type{Type::Sampler2D, 1, 0, nullptr};
        return true;
    }
    std::string_view base, shape;
    if (!splitNumericName(name, base, shape)) return false;
    if (base != "float" && base != "half" && base != "int" && base != "fixed") return false;
    if (shape.empty() || shape == "1") {
        type = Type::scalar();
        return true;
    }
    if (shape.size() == 1 && shape[0] >= '2' && shape[0] <= '4') {
        type = Type::vector(shape[0] - '0');
        return true;
    }
    if ((shape == "3x3" || shape == "4x4") && base != "int") {
        type = Type{Type::Matrix, uint8_t(shape[0] - '0'), uint8_t(shape[2] - '0'), nullptr};
        return true;
    }
    return false;
}

bool unsupportedTypeName(std::string_view name) {
    std::string_view base, shape;
    if (splitNumericName(name, base, shape)) {
        Type ignored;
        return validShape(shape) && !builtinType(name, ignored);
    }
    return name == "sampler1D" || name == "sampler3D" || name == "samplerCUBE" || name == "samplerRECT" ||
           name == "sampler" || name == "string" || name == "texture";
}

bool isKeyword(std::string_view word) {
    static const std::string_view words[] = {
        "struct", "uniform", "return", "in", "out", "inout", "const", "static", "if", "else",
        "for", "while", "do", "switch", "case", "default", "break", "continue", "discard", "true",
        "false", "typedef", "extern", "inline", "register", "goto", "packed", "void", "sampler2D",
    };
    for (std::string_view w : words)
        if (w == word) return true;
    Type ignored;
    return builtinType(word, ignored) || unsupportedTypeName(word);
}

bool isUnsupportedIntrinsic(std::string_view name) {
    static const std::string_view names[] = {
        "acos", "all", "any", "asin", "atan", "atan2", "ceil", "clamp", "clip", "cos", "cosh",
        "cross", "ddx", "ddy", "degrees", "determinant", "distance", "exp", "exp2", "faceforward",
        "floor", "fmod", "frac", "frexp", "isfinite", "isinf", "isnan", "ldexp", "length", "lit",
        "log", "log10", "log2", "modf", "noise", "pow", "radians", "reflect", "refract", "round",
        "rsqrt", "sign", "sin", "sincos", "sinh", "smoothstep", "sqrt", "step", "tan", "tanh",
        "tex1D", "tex1Dproj", "tex2Dproj", "tex2Dbias", "tex2Dlod", "tex3D", "tex3Dproj", "texCUBE",
        "texCUBEproj", "texRECT", "texRECTproj", "transpose",
    };
    for (std::string_view n : names)
        if (n == name) return true;
    return false;
}

std::string semanticName(const Semantic &semantic) {
    switch (semantic.kind) {
    case Semantic::None: return "";
    case Semantic::Position: return "POSITION";
    case Semantic::Normal: return "NORMAL";
    case Semantic::Color: return "COLOR" + std::to_string(semantic.index);
    case Semantic::TexCoord: return "TEXCOORD" + std::to_string(semantic.index);
    case Semantic::Depth: return "DEPTH";
    case Semantic::Wpos: return "WPOS";
    case Semantic::TexUnit: return "TEXUNIT" + std::to_string(semantic.index);
    }
    return "?";
}

}  // namespace vela::cg
