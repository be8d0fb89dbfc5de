// How the rows of the engine's test tables print and are named: by their names, on every platform.
#pragma once

#include <ostream>
#include <string>

namespace velbrisk::testing {

// Test files bring this into their own namespace with a using-declaration, where the lookup for a
// row's printer looks.
template <typename Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

// The last argument of INSTANTIATE_TEST_SUITE_P: each instance takes its row's name.
inline constexpr auto rowName = [](const auto& info) { return std::string{info.param.name}; };

}  // namespace velbrisk::testing
