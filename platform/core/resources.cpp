// The registry of the program's embedded resources (see resources/ and
// tools/embed-resources.cpp). Registration runs from static constructors, so the table
// is made on first use rather than being a global of its own.
#include "core/core.h"

#include <map>
#include <utility>

namespace vela::core {
namespace {

std::map<std::pair<unsigned, unsigned>, ResourceData> &table() {
    static std::map<std::pair<unsigned, unsigned>, ResourceData> t;
    return t;
}

}  // namespace

void registerResource(unsigned type, unsigned id, const void *data, size_t size) {
    table()[{type, id}] = ResourceData{data, size};
}

ResourceData findResource(unsigned type, unsigned id) {
    auto it = table().find({type, id});
    return it == table().end() ? ResourceData{} : it->second;
}

bool hasResourcesOfType(unsigned type) {
    auto it = table().lower_bound({type, 0});
    return it != table().end() && it->first.first == type;
}

}  // namespace vela::core
