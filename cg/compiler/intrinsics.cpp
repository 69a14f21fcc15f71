// The standard library's table (intrinsics.def): names, signature classes, texture forms.
#include "intrinsics.h"

namespace vela::cg {
namespace {

constexpr TextureForm none{SamplerKind::S1D, TextureForm::Plain, 0};

// By Intrinsic, None first.
constexpr IntrinsicInfo table[] = {
    {"?", Signature::Float, 0, none, nullptr},
#define INTRINSIC(id, name, signature, arguments) {name, Signature::signature, arguments, none, nullptr},
#define TEXTURE(id, name, sampler, form, coordinates) \
    {name, Signature::Texture, 2, {SamplerKind::sampler, TextureForm::form, coordinates}, nullptr},
#define BEYOND(id, name, what) {name, Signature::Beyond, -1, none, what},
#include "intrinsics.def"
#undef INTRINSIC
#undef TEXTURE
#undef BEYOND
};

}  // namespace

const IntrinsicInfo &intrinsicInfo(Intrinsic f) { return table[int(f)]; }

Intrinsic findIntrinsic(std::string_view name) {
    for (size_t i = 1; i < std::size(table); ++i)
        if (name == table[i].name) return Intrinsic(i);
    return Intrinsic::None;
}

const char *intrinsicName(Intrinsic f) { return table[int(f)].name; }

bool textureForm(Intrinsic f, TextureForm &form) {
    if (table[int(f)].signature != Signature::Texture) return false;
    form = table[int(f)].texture;
    return true;
}

}  // namespace vela::cg
