// The checker's state, shared by its files: checker.cpp (declarations, functions,
// statements), check_expr.cpp (expressions), check_calls.cpp (calls and constructors) and
// check_intrinsics.cpp (the standard library's signatures).
#pragma once

#include <unordered_map>
#include <unordered_set>

#include "intrinsics.h"
#include "syntax.h"

namespace vela::cg {

class Checker {
public:
    Checker(const Source &source, Module &module, std::string_view entry, const ProfileDesc &profile,
            Diagnostics &diagnostics)
        : source_(source), module_(module), entry_(entry), profile_(profile), diagnostics_(diagnostics) {}
    void run();
    bool forProfile(const Function &f) const;
    std::unordered_set<std::string_view> reachable() const;

    // ---- checker.cpp
    void resolveType(const Type &type, uint32_t offset);
    void declareGlobal(Var *v);
    void checkFunction(Function &f);
    void statement(Stmt *s);
    void scoped(Stmt *s);
    void declaration(Var *v);
    void findRecursion();

    // ---- check_expr.cpp
    // Checks an expression and returns it, or the conversion that wraps it.
    Expr *value(Expr *e);
    // Converts a checked expression to `to` (implicitly) or fails naming `what`.
    Expr *convert(Expr *e, const Type &to, const std::string &what, uint32_t at = UINT32_MAX);
    Expr *convertExplicit(Expr *e, const Type &to, uint32_t offset);
    bool implicitlyConvertible(const Type &from, const Type &to) const;
    Expr *toBool(Expr *e, const std::string &what);
    void requireLvalue(Expr *e, uint32_t offset);
    Expr *initialiser(Expr *e, const Type &to, const std::string &what, uint32_t at = UINT32_MAX);
    Type arithmeticType(uint32_t offset, uint8_t op, const Type &a, const Type &b);
    Expr *makeConvert(Expr *e, const Type &to);

    // ---- check_calls.cpp
    Expr *call(Expr *e);
    Expr *construct(Expr *e);
    // ---- check_intrinsics.cpp
    Expr *intrinsic(Expr *e, Intrinsic f);

    // ---- names
    Var *lookup(std::string_view name);
    void declare(Var *v);
    void keep(Var *v);

    const Source &source_;
    Module &module_;
    std::string_view entry_;
    const ProfileDesc &profile_;
    Diagnostics &diagnostics_;
    // Names in hashed scopes: a text of many declarations costs linear time.
    struct Named {
        Var *first, *latest;  // the first declaration, and the one uses see
    };
    std::vector<std::unordered_map<std::string_view, Named>> scopes_;
    std::unordered_map<std::string_view, std::vector<Function *>> functions_;
    Function *current_ = nullptr;  // the function being checked
    int loops_ = 0;
    std::unordered_map<const Function *, std::vector<std::pair<const Function *, const Expr *>>> calls_;
    std::unordered_map<const ArrayType *, std::pair<Expr *, uint32_t>> sizes_;
    std::vector<std::string_view> reportedUndeclared_;
};

std::string argumentTypes(const std::vector<Expr *> &args);
bool isLvalue(const Expr *e);  // a variable, or a part of one, that may be assigned

}  // namespace vela::cg
