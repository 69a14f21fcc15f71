// The language's standard library: every function the checker knows by name, what its
// arguments may be, and (for the lowering) which function a checked call is.
#pragma once

#include "syntax.h"

namespace vela::cg {

enum class Intrinsic : uint8_t {
    None,
    // Componentwise over scalars and vectors, one argument.
    Abs, Acos, Asin, Atan, Ceil, Cos, Cosh, Degrees, Exp, Exp2, Floor, Frac, Log, Log2, Log10, Radians, Round,
    Rsqrt, Saturate, Sign, Sin, Sinh, Sqrt, Tan, Tanh, Trunc, IsFinite, IsInf, IsNan, Ddx, Ddy, Fwidth,
    // Componentwise, two and three arguments.
    Atan2, Fmod, Max, Min, Pow, Step, Ldexp, Clamp, Lerp, Smoothstep,
    // Reductions and vector geometry.
    All, Any, Dot, Length, Distance, Cross, Normalize, Reflect, Refract, Faceforward, Lit,
    // Matrices.
    Mul, Transpose, Determinant,
    // Results through out parameters, and statements.
    Modf, Sincos, Frexp, Clip, Noise,
    // Texture lookups.
    Tex1D, Tex1Dproj, Tex1Dbias, Tex1Dlod, Tex2D, Tex2Dproj, Tex2Dbias, Tex2Dlod, Tex3D, Tex3Dproj, Tex3Dbias,
    Tex3Dlod, TexCUBE, TexCUBEproj, TexCUBEbias, TexCUBElod, TexRECT, TexRECTproj, TexRECTbias, TexRECTlod,
};

// A texture lookup: its sampler kind and form.
struct TextureForm {
    SamplerKind sampler;
    enum Kind : uint8_t { Plain, Proj, Bias, Lod } kind;
    int coordinates;  // components of the plain form's coordinates
};
bool textureForm(Intrinsic f, TextureForm &form);

// The intrinsic of that name, or None.
Intrinsic findIntrinsic(std::string_view name);
const char *intrinsicName(Intrinsic f);

}  // namespace vela::cg
