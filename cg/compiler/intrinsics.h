// The language's standard library: every function the checker knows by name (intrinsics.def),
// its signature class and, for texture lookups, the form; which function a checked call is.
#pragma once

#include "syntax.h"

namespace vela::cg {

enum class Intrinsic : uint8_t {
    None,
#define INTRINSIC(id, name, signature, arguments) id,
#define TEXTURE(id, name, sampler, form, coordinates) id,
#define BEYOND(id, name, what) id,
#include "intrinsics.def"
#undef INTRINSIC
#undef TEXTURE
#undef BEYOND
};

// How the checker types a call: the classes of intrinsics.def.
enum class Signature : uint8_t {
    Float,       // componentwise over floats
    IntOrFloat,  // componentwise, int when every argument is
    Test,        // componentwise over floats, bool results
    Truth,       // one bool of a vector (all, any)
    Reduction,   // vectors of one size -> a float (dot, distance, length)
    Geometry,    // vectors of one size -> one of that size
    Cross, Refract, Lit, Mul,
    Matrix,      // transpose, determinant
    OutResult,   // a vector and an out parameter of its type (modf, frexp)
    Sincos,
    Statement,   // clip: no value
    Noise,
    Texture,
    Beyond,      // a function of later profiles: refused by the lowering as IntrinsicInfo::what
};

// A texture lookup: its sampler kind and form.
struct TextureForm {
    SamplerKind sampler;
    enum Kind : uint8_t { Plain, Proj, Bias, Lod } kind;
    int coordinates;  // components of the plain form's coordinates
};

struct IntrinsicInfo {
    const char *name;
    Signature signature;
    int arguments;
    TextureForm texture;  // Signature::Texture
    const char *what;     // Signature::Beyond: what the profile cannot do
};
const IntrinsicInfo &intrinsicInfo(Intrinsic f);
bool textureForm(Intrinsic f, TextureForm &form);

// The intrinsic of that name, or None.
Intrinsic findIntrinsic(std::string_view name);
const char *intrinsicName(Intrinsic f);

}  // namespace vela::cg
