// Types, semantics, operators and reserved words of the language.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>

#include "syntax.h"

namespace vela::cg {

bool Type::isNumericTree() const {
    if (kind == Struct) return std::all_of(decl->members.begin(), decl->members.end(), [](const Member &m) { return m.type.isNumericTree(); });
    if (kind == Array) return array->element.isNumericTree();
    return isNumeric();
}

bool truncates(const Type &from, const Type &to) {
    return from.isVectorLike() && to.isVectorLike() && from.kind == Type::Vector && to.size() < from.size();
}

// A 1xN or Nx1 matrix and a vector of N: the same numbers.
bool vectorMatrix(const Type &a, const Type &b) {
    auto line = [](const Type &m, const Type &v) {
        return m.kind == Type::Matrix && v.kind == Type::Vector && (m.rows == 1 || m.cols == 1) && m.rows * m.cols == v.size();
    };
    return line(a, b) || line(b, a);
}

bool Type::sameShape(const Type &o) const {
    if (kind != o.kind || rows != o.rows || cols != o.cols || decl != o.decl) return false;
    if (kind == Array) return array->length == o.array->length && array->element == o.array->element;
    return true;
}

bool Type::operator==(const Type &o) const { return sameShape(o) && (!isNumeric() || base == o.base); }

int StructDecl::find(std::string_view member) const {
    for (size_t i = 0; i < members.size(); ++i)
        if (members[i].name == member) return int(i);
    return -1;
}

int StructDecl::rowOffset(int member) const {
    int rows = 0;
    for (int i = 0; i < member; ++i) rows += rowCount(members[size_t(i)].type);
    return rows;
}

Type Module::arrayOf(const Type &element, int length) {
    arrays.push_back(ArrayType{element, length});
    Type t;
    t.kind = Type::Array;
    t.array = &arrays.back();
    return t;
}

// Saturates at INT_MAX, so that a size check after it cannot be fooled by a wrap.
int rowCount(const Type &type) {
    switch (type.kind) {
    case Type::Matrix: return type.rows;
    case Type::Struct: {
        int64_t rows = 0;
        for (const Member &m : type.decl->members) rows = std::min<int64_t>(rows + rowCount(m.type), INT_MAX);
        return int(rows);
    }
    case Type::Array: return int(std::min<int64_t>(int64_t(std::max(type.array->length, 0)) * rowCount(type.array->element), INT_MAX));
    case Type::Void:
    case Type::Error: return 0;
    default: return 1;
    }
}

namespace {

const char *baseName(Base b) {
    switch (b) {
    case Base::Bool: return "bool";
    case Base::Int: return "int";
    case Base::Fixed: return "fixed";
    case Base::Half: return "half";
    case Base::Float: return "float";
    }
    return "?";
}

const char *const samplerNames[] = {"sampler1D", "sampler2D", "sampler3D", "samplerCUBE", "samplerRECT", "sampler"};

}  // namespace

std::string typeName(const Type &type) {
    switch (type.kind) {
    case Type::Error: return "<error>";
    case Type::Void: return "void";
    case Type::Scalar: return baseName(type.base);
    case Type::Vector: return baseName(type.base) + std::to_string(type.cols);
    case Type::Matrix: return baseName(type.base) + std::to_string(type.rows) + "x" + std::to_string(type.cols);
    case Type::Sampler: return samplerNames[type.cols];
    case Type::Struct: return "struct " + std::string(type.decl->name);
    case Type::Array: {
        // float4[2][3] for an array of two arrays of three float4.
        const Type *t = &type;
        std::string dims;
        while (t->kind == Type::Array) {
            dims += '[';
            dims += std::to_string(t->array->length);
            dims += ']';
            t = &t->array->element;
        }
        return typeName(*t) + dims;
    }
    }
    return "?";
}

bool builtinType(std::string_view name, Type &type) {
    if (name == "void") {
        type = Type{};
        return true;
    }
    for (int i = 0; i < 6; ++i)
        if (name == samplerNames[i]) {
            type = Type{Type::Sampler, Base::Float, 1, uint8_t(i), nullptr, nullptr};
            return true;
        }
    static const std::pair<std::string_view, Base> bases[] = {
        {"float", Base::Float}, {"half", Base::Half}, {"fixed", Base::Fixed}, {"int", Base::Int}, {"bool", Base::Bool},
    };
    for (const auto &[prefix, base] : bases) {
        if (name.substr(0, prefix.size()) != prefix) continue;
        std::string_view shape = name.substr(prefix.size());
        auto digit = [](char c) { return c >= '1' && c <= '4'; };
        if (shape.empty()) {
            type = Type::scalar(base);
            return true;
        }
        if (shape.size() == 1 && digit(shape[0])) {
            type = Type::vector(shape[0] - '0', base);
            return true;
        }
        if (shape.size() == 3 && digit(shape[0]) && shape[1] == 'x' && digit(shape[2])) {
            type = Type::matrix(shape[0] - '0', shape[2] - '0', base);
            return true;
        }
        return false;
    }
    return false;
}

bool isProfileWord(std::string_view word) {
    static const std::string_view words[] = {
        "arbvp1", "arbfp1", "vp20", "vp30", "vp40", "fp20", "fp30", "fp40", "gp4vp", "gp4fp", "gp4gp", "gp5vp",
        "gp5fp", "gp5gp", "glslv", "glslf", "glslg", "vs_1_1", "vs_2_0", "vs_2_x", "vs_3_0", "ps_1_1", "ps_1_2",
        "ps_1_3", "ps_2_0", "ps_2_x", "ps_3_0", "vs_4_0", "ps_4_0", "gs_4_0", "vs_5_0", "ps_5_0", "gs_5_0",
    };
    for (std::string_view w : words)
        if (w == word) return true;
    return false;
}

bool isKeyword(std::string_view word) {
    static const std::string_view words[] = {
        "struct", "uniform", "return", "in", "out", "inout", "const", "static", "if", "else", "for", "while", "do",
        "switch", "case", "default", "break", "continue", "discard", "true", "false", "typedef", "extern", "inline",
        "register", "goto", "void", "double", "sampler",
    };
    // NOTE: the language reserves more words ("texture", "string", "packed", "interface",
    // "asm") with no meaning in these profiles; programs use them as names, so they are.
    for (std::string_view w : words)
        if (w == word) return true;
    Type ignored;
    return builtinType(word, ignored);
}

const char *opText(uint8_t op) {
    static const char *const texts[] = {"",   "+",  "-",  "*",  "/", "%", "<", ">", "<=", ">=", "==", "!=", "&&",
                                        "||", "&",  "|",  "^",  "<<", ">>", "!", "~", "-",  "+",  "++", "--", "="};
    return op < sizeof texts / sizeof texts[0] ? texts[op] : "?";
}

std::string semanticName(const Semantic &semantic) {
    std::string n = std::to_string(semantic.index);
    switch (semantic.kind) {
    case Semantic::None: return "";
    case Semantic::Position: return "POSITION";
    case Semantic::Normal: return "NORMAL";
    case Semantic::Color: return "COLOR" + n;
    case Semantic::TexCoord: return "TEXCOORD" + n;
    case Semantic::Depth: return "DEPTH";
    case Semantic::Wpos: return "WPOS";
    case Semantic::TexUnit: return "TEXUNIT" + n;
    case Semantic::Fog: return "FOG";
    case Semantic::PSize: return "PSIZE";
    case Semantic::BlendWeight: return "BLENDWEIGHT";
    case Semantic::Attr: return "ATTR" + n;
    case Semantic::Constant: return "C" + n;
    case Semantic::Count: break;
    }
    return "?";
}

bool parseSemantic(std::string_view text, Semantic &out) {
    std::string upper(text);
    for (char &c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    // A name, the largest index it takes (-1: none), and whether the index may be left out.
    struct Name {
        std::string_view name;
        Semantic::Kind kind;
        int count;
        bool needsIndex;
        int base;  // the index an unnumbered alias stands for
    };
    static const Name names[] = {
        {"POSITION", Semantic::Position, 1, false, 0}, {"HPOS", Semantic::Position, 1, false, 0},
        {"NORMAL", Semantic::Normal, 1, false, 0},     {"COLOR", Semantic::Color, 2, false, 0},
        {"COL", Semantic::Color, 2, true, 0},          {"DIFFUSE", Semantic::Color, 1, false, 0},
        {"SPECULAR", Semantic::Color, 1, false, 1},    {"TEXCOORD", Semantic::TexCoord, 16, false, 0},
        {"TEX", Semantic::TexCoord, 8, true, 0},       {"DEPTH", Semantic::Depth, 1, false, 0},
        {"WPOS", Semantic::Wpos, 1, false, 0},         {"TEXUNIT", Semantic::TexUnit, 16, true, 0},
        {"FOG", Semantic::Fog, 1, false, 0},           {"FOGC", Semantic::Fog, 1, false, 0},
        {"FOGCOORD", Semantic::Fog, 1, false, 0},      {"PSIZE", Semantic::PSize, 1, false, 0},
        {"PSIZ", Semantic::PSize, 1, false, 0},        {"BLENDWEIGHT", Semantic::BlendWeight, 1, false, 0},
        {"ATTR", Semantic::Attr, 16, true, 0},
        // Vertex inputs the profile reads as generic attributes, by the usual assignment.
        {"TANGENT", Semantic::Attr, 1, false, 14},     {"BINORMAL", Semantic::Attr, 1, false, 15},
        {"BLENDINDICES", Semantic::Attr, 1, false, 7}, {"VPOS", Semantic::Wpos, 1, false, 0},
    };
    // A constant register: C0 .. C255 ("register(c4)" is the same binding).
    if (upper.size() >= 2 && upper.size() <= 4 && upper[0] == 'C' &&
        upper.find_first_not_of("0123456789", 1) == std::string::npos) {
        int index = std::stoi(upper.substr(1));
        if (index > 255) return false;
        out.kind = Semantic::Constant;
        out.index = uint8_t(index);
        return true;
    }
    for (const Name &n : names) {
        if (upper.compare(0, n.name.size(), n.name) != 0) continue;
        std::string_view rest = std::string_view(upper).substr(n.name.size());
        int index = 0;
        if (rest.size() == 1 && rest[0] >= '0' && rest[0] <= '9')
            index = rest[0] - '0';
        else if (rest.size() == 2 && rest[0] == '1' && rest[1] >= '0' && rest[1] <= '9')
            index = 10 + rest[1] - '0';
        else if (!rest.empty() || n.needsIndex)
            continue;
        if (index >= n.count) continue;
        out.kind = n.kind;
        out.index = uint8_t(index + n.base);
        return true;
    }
    return false;
}

}  // namespace vela::cg
