// How the rows of the engine's test tables print and are named: by their names, on every platform.
#pragma once

#include <ostream>
#include <string>

namespace velbrisk::testing {

// Brought into each test file's namespace by a using-declaration, where a row's printer is sought.
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
