// Names of the standard library's functions and the forms of its texture lookups.
#include "intrinsics.h"

namespace vela::cg {
namespace {

struct Entry {
    const char *name;
    Intrinsic f;
};

const Entry table[] = {
    {"abs", Intrinsic::Abs},
    {"acos", Intrinsic::Acos},
    {"all", Intrinsic::All},
    {"any", Intrinsic::Any},
    {"asin", Intrinsic::Asin},
    {"atan", Intrinsic::Atan},
    {"atan2", Intrinsic::Atan2},
    {"ceil", Intrinsic::Ceil},
    {"clamp", Intrinsic::Clamp},
    {"clip", Intrinsic::Clip},
    {"cos", Intrinsic::Cos},
    {"cosh", Intrinsic::Cosh},
    {"cross", Intrinsic::Cross},
    {"ddx", Intrinsic::Ddx},
    {"ddy", Intrinsic::Ddy},
    {"degrees", Intrinsic::Degrees},
    {"determinant", Intrinsic::Determinant},
    {"distance", Intrinsic::Distance},
    {"dot", Intrinsic::Dot},
    {"exp", Intrinsic::Exp},
    {"exp2", Intrinsic::Exp2},
    {"faceforward", Intrinsic::Faceforward},
    {"floor", Intrinsic::Floor},
    {"fmod", Intrinsic::Fmod},
    {"frac", Intrinsic::Frac},
    {"frexp", Intrinsic::Frexp},
    {"fwidth", Intrinsic::Fwidth},
    {"isfinite", Intrinsic::IsFinite},
    {"isinf", Intrinsic::IsInf},
    {"isnan", Intrinsic::IsNan},
    {"ldexp", Intrinsic::Ldexp},
    {"length", Intrinsic::Length},
    {"lerp", Intrinsic::Lerp},
    {"lit", Intrinsic::Lit},
    {"log", Intrinsic::Log},
    {"log10", Intrinsic::Log10},
    {"log2", Intrinsic::Log2},
    {"max", Intrinsic::Max},
    {"min", Intrinsic::Min},
    {"modf", Intrinsic::Modf},
    {"mul", Intrinsic::Mul},
    {"noise", Intrinsic::Noise},
    {"normalize", Intrinsic::Normalize},
    {"pow", Intrinsic::Pow},
    {"radians", Intrinsic::Radians},
    {"reflect", Intrinsic::Reflect},
    {"refract", Intrinsic::Refract},
    {"round", Intrinsic::Round},
    {"rsqrt", Intrinsic::Rsqrt},
    {"saturate", Intrinsic::Saturate},
    {"sign", Intrinsic::Sign},
    {"sin", Intrinsic::Sin},
    {"sincos", Intrinsic::Sincos},
    {"sinh", Intrinsic::Sinh},
    {"smoothstep", Intrinsic::Smoothstep},
    {"sqrt", Intrinsic::Sqrt},
    {"step", Intrinsic::Step},
    {"tan", Intrinsic::Tan},
    {"tanh", Intrinsic::Tanh},
    {"transpose", Intrinsic::Transpose},
    {"trunc", Intrinsic::Trunc},
    {"tex1D", Intrinsic::Tex1D},
    {"tex1Dproj", Intrinsic::Tex1Dproj},
    {"tex1Dbias", Intrinsic::Tex1Dbias},
    {"tex1Dlod", Intrinsic::Tex1Dlod},
    {"tex2D", Intrinsic::Tex2D},
    {"tex2Dproj", Intrinsic::Tex2Dproj},
    {"tex2Dbias", Intrinsic::Tex2Dbias},
    {"tex2Dlod", Intrinsic::Tex2Dlod},
    {"tex3D", Intrinsic::Tex3D},
    {"tex3Dproj", Intrinsic::Tex3Dproj},
    {"tex3Dbias", Intrinsic::Tex3Dbias},
    {"tex3Dlod", Intrinsic::Tex3Dlod},
    {"texCUBE", Intrinsic::TexCUBE},
    {"texCUBEproj", Intrinsic::TexCUBEproj},
    {"texCUBEbias", Intrinsic::TexCUBEbias},
    {"texCUBElod", Intrinsic::TexCUBElod},
    {"texRECT", Intrinsic::TexRECT},
    {"texRECTproj", Intrinsic::TexRECTproj},
    {"texRECTbias", Intrinsic::TexRECTbias},
    {"texRECTlod", Intrinsic::TexRECTlod},
};

}  // namespace

Intrinsic findIntrinsic(std::string_view name) {
    for (const Entry &e : table)
        if (name == e.name) return e.f;
    return Intrinsic::None;
}

const char *intrinsicName(Intrinsic f) {
    for (const Entry &e : table)
        if (e.f == f) return e.name;
    return "?";
}

bool textureForm(Intrinsic f, TextureForm &form) {
    int first = int(Intrinsic::Tex1D);
    int i = int(f) - first;
    if (i < 0 || i >= 20) return false;
    static const int coordinates[] = {1, 2, 3, 3, 2};
    form.sampler = SamplerKind(i / 4);
    form.kind = TextureForm::Kind(i % 4);
    form.coordinates = coordinates[i / 4];
    return true;
}

}  // namespace vela::cg
