// The registry of the program's embedded resources (see resources/ and
// tools/embed-resources.cpp), filled by static constructors before main runs.
#include "core/state.h"

namespace vela::core {

void registerResource(unsigned type, unsigned id, const void *data, size_t size) {
    state().resources.byTypeAndId[{type, id}] = ResourceData{data, size};
}

ResourceData findResource(unsigned type, unsigned id) {
    auto &table = state().resources.byTypeAndId;
    auto it = table.find({type, id});
    return it == table.end() ? ResourceData{} : it->second;
}

bool hasResourcesOfType(unsigned type) {
    auto &table = state().resources.byTypeAndId;
    auto it = table.lower_bound({type, 0});
    return it != table.end() && it->first.first == type;
}

}  // namespace vela::core
