// Checker: the signatures of the standard library's functions, by their class in
// intrinsics.def (each function's lowering is in lower_intrinsics.cpp).
#include <algorithm>

#include "checker.h"

namespace vela::cg {

Expr *Checker::intrinsic(Expr *e, Intrinsic f) {
    e->intrinsic = f;
    std::string name(e->name);
    auto &args = e->args;
    for (Expr *a : args)
        if (a->type.kind == Type::Error) failReported();
    auto arity = [&](size_t n) {
        if (args.size() != n)
            fail(e->offset, quoted(name) + " takes " + std::to_string(n) + " argument" + (n == 1 ? "" : "s") + ", " +
                                std::to_string(args.size()) + " given");
    };
    auto vectorArg = [&](size_t i) -> const Type & {
        const Type &t = args[i]->type;
        if (!t.isVectorLike())
            fail(args[i]->offset, quoted(name) + " needs scalars or vectors, not " + typeName(t));
        return t;
    };
    // All arguments the same vector (scalars spread), converted to `base`; the size.
    auto componentwise = [&](size_t n, Base base) {
        arity(n);
        int size = 1;
        for (size_t i = 0; i < n; ++i) size = std::max(size, vectorArg(i).size());
        for (size_t i = 0; i < n; ++i)
            if (args[i]->type.size() != size && args[i]->type.size() != 1)
                fail(e->offset, "type mismatch: " + name + argumentTypes(args) + " (vector sizes differ)");
        for (size_t i = 0; i < n; ++i) args[i] = convert(args[i], Type::vector(size, base), "%s");
        return size;
    };
    auto allInt = [&] {
        return std::all_of(args.begin(), args.end(), [](Expr *a) { return a->type.base == Base::Int; });
    };
    // Vectors of one size: a scalar spreads over it, a longer vector is truncated (with a
    // warning, by convert).
    auto sameVectors = [&](size_t n) {
        arity(n);
        int size = 0;
        for (size_t i = 0; i < n; ++i)
            if (vectorArg(i).size() > 1) size = size ? std::min(size, vectorArg(i).size()) : vectorArg(i).size();
        if (size == 0) size = 1;
        for (size_t i = 0; i < n; ++i) args[i] = convert(args[i], Type::vector(size), "%s");
        return size;
    };
    auto outArg = [&](size_t i, const Type &t) {
        if (!isLvalue(args[i])) fail(args[i]->offset, "argument " + std::to_string(i + 1) + " of " + quoted(name) + " must be a variable");
        if (!args[i]->type.sameShape(t))
            fail(args[i]->offset, "type mismatch: argument " + std::to_string(i + 1) + " of " + quoted(name) +
                                      " must be " + typeName(t) + ", not " + typeName(args[i]->type));
    };

    const IntrinsicInfo &info = intrinsicInfo(f);
    const size_t n = size_t(info.arguments);
    if (info.signature == Signature::Texture) {
        const TextureForm &form = info.texture;
        static const char *const samplers[] = {"sampler1D", "sampler2D", "sampler3D", "samplerCUBE", "samplerRECT"};
        if (args.size() < 2) arity(2);
        const Type &s = args[0]->type;
        if (s.kind != Type::Sampler || (s.cols != uint8_t(form.sampler) && s.cols != uint8_t(SamplerKind::Any)))
            fail(args[0]->offset, quoted(name) + " needs a " + samplers[int(form.sampler)] +
                                      " as its first argument, not " + typeName(s));
        int size = vectorArg(1).size();
        // Later profiles' forms (explicit derivatives, a texel offset) type here; the
        // lowering refuses them as what the profile cannot do.
        bool later = form.kind == TextureForm::Plain && (args.size() == 3 || args.size() == 4 || args.size() == 5);
        if (!later) arity(2);
        bool fits = form.kind == TextureForm::Plain ? size == form.coordinates || size == form.coordinates + 1
                    : form.kind == TextureForm::Proj ? size == form.coordinates + 1 || size == 4
                                                     : size == 4;
        if (!fits) fail(args[1]->offset, quoted(name) + " does not take " + typeName(args[1]->type) + " coordinates");
        for (size_t i = 1; i < args.size(); ++i) args[i] = convert(args[i], Type::vector(vectorArg(i).size()), "%s");
        e->type = Type::vector(4);
        return e;
    }

    switch (info.signature) {
    case Signature::Float: e->type = Type::vector(componentwise(n, Base::Float)); break;
    case Signature::IntOrFloat: {
        arity(n);
        Base b = allInt() ? Base::Int : Base::Float;
        e->type = Type::vector(componentwise(n, b), b);
        break;
    }
    case Signature::Test: e->type = Type::vector(componentwise(n, Base::Float), Base::Bool); break;
    case Signature::Truth:
        arity(n);
        args[0] = toBool(args[0], "the argument of " + quoted(name));
        e->type = Type::scalar(Base::Bool);
        break;
    case Signature::Reduction:
        sameVectors(n);
        e->type = Type::scalar();
        break;
    case Signature::Geometry: e->type = Type::vector(sameVectors(n)); break;
    case Signature::Cross:
        if (sameVectors(n) != 3) fail(e->offset, "cross needs float3 arguments, not " + typeName(args[0]->type));
        e->type = Type::vector(3);
        break;
    case Signature::Refract: {
        arity(n);
        int size = vectorArg(0).size();
        if (vectorArg(1).size() != size || vectorArg(2).size() != 1)
            fail(e->offset, "type mismatch: refract" + argumentTypes(args) + " (a vector, a vector of its size and a scalar)");
        args[0] = convert(args[0], Type::vector(size), "%s");
        args[1] = convert(args[1], Type::vector(size), "%s");
        args[2] = convert(args[2], Type::scalar(), "%s");
        e->type = Type::vector(size);
        break;
    }
    case Signature::Lit:
        arity(n);
        for (size_t i = 0; i < n; ++i) args[i] = convert(args[i], Type::scalar(), "lit needs scalars, not %s");
        e->type = Type::vector(4);
        break;
    case Signature::Mul: {
        arity(n);
        Type a = args[0]->type, b = args[1]->type;
        if (!a.isNumeric() || !b.isNumeric()) fail(e->offset, "type mismatch: mul" + argumentTypes(args));
        std::string sig = "type mismatch: mul" + argumentTypes(args);
        auto floats = [](Type t) {
            t.base = Base::Float;
            return t;
        };
        if (a.kind == Type::Scalar || b.kind == Type::Scalar) {
            e->type = floats(a.kind == Type::Scalar ? b : a);
        } else if (a.kind == Type::Vector && b.kind == Type::Vector) {
            if (a.cols != b.cols) fail(e->offset, sig + " (sizes differ)");
            e->type = Type::scalar();
        } else if (a.kind == Type::Vector) {
            if (a.cols != b.rows) fail(e->offset, sig);
            e->type = Type::vector(b.cols);
        } else if (b.kind == Type::Vector) {
            if (a.cols != b.cols) fail(e->offset, sig);
            e->type = Type::vector(a.rows);
        } else {
            if (a.cols != b.rows) fail(e->offset, sig);
            e->type = Type::matrix(a.rows, b.cols);
        }
        args[0] = convert(args[0], floats(a), "%s");
        args[1] = convert(args[1], floats(b), "%s");
        break;
    }
    case Signature::Matrix: {
        arity(n);
        const Type &m = args[0]->type;
        if (m.kind != Type::Matrix) fail(args[0]->offset, quoted(name) + " needs a matrix, not " + typeName(m));
        if (f == Intrinsic::Determinant && m.rows != m.cols)
            fail(args[0]->offset, "determinant needs a square matrix, not " + typeName(m));
        args[0] = convert(args[0], Type::matrix(m.rows, m.cols), "%s");
        e->type = f == Intrinsic::Transpose ? Type::matrix(m.cols, m.rows) : Type::scalar();
        break;
    }
    case Signature::OutResult: {
        arity(n);
        int size = vectorArg(0).size();
        args[0] = convert(args[0], Type::vector(size), "%s");
        outArg(1, Type::vector(size));
        e->type = Type::vector(size);
        break;
    }
    case Signature::Sincos: {
        arity(n);
        int size = vectorArg(0).size();
        args[0] = convert(args[0], Type::vector(size), "%s");
        outArg(1, Type::vector(size));
        outArg(2, Type::vector(size));
        e->type = Type{};
        break;
    }
    case Signature::Statement:
        componentwise(n, Base::Float);
        e->type = Type{};
        break;
    case Signature::Noise:
        arity(n);
        args[0] = convert(args[0], Type::vector(vectorArg(0).size()), "%s");
        e->type = Type::scalar();
        break;
    case Signature::Beyond:
        for (size_t i = 0; i < args.size(); ++i)
            if (args[i]->type.isNumeric()) args[i] = convert(args[i], args[i]->type, "%s");
        e->type = Type::vector(4);
        break;
    case Signature::Texture: break;
    }
    return e;
}

}  // namespace vela::cg
