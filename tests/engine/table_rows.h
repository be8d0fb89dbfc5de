// How the rows of the engine's test tables print: by name, on every platform.
#pragma once

#include <ostream>

namespace velbrisk::testing {

// Table rows print as their names, which keeps test listings readable. Test files bring it into
// their own namespace with `using`, where the lookup for a row's printer looks.
template <typename Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

}  // namespace velbrisk::testing
