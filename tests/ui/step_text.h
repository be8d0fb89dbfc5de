// The text of a table row's steps: split into its parts, with placeholders filled in.
#pragma once

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace velbrisk::testing {

// The parts of `text` between separators; empty parts are dropped.
inline std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) {
        if (!part.empty()) {
            parts.push_back(part);
        }
    }
    return parts;
}

// `text` with every `from` replaced by `to`; what `to` brings in is not looked at again.
inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The parts with `separator` between them.
inline std::string joined(const std::vector<std::string>& parts, const std::string& separator = " ") {
    std::string text;
    for (const std::string& part : parts) {
        text += (&part == parts.data() ? "" : separator) + part;
    }
    return text;
}

// A state of "key=value" entries, each entry that `changes` names ("key=value|...") put in. A
// change that names no entry of the state is a misspelt row: it throws, which fails the test.
inline std::vector<std::string> withChanges(std::vector<std::string> state, const std::string& changes) {
    for (const std::string& change : split(changes, '|')) {
        const std::size_t equals = change.find('=');
        const auto entry = std::find_if(state.begin(), state.end(), [&](const std::string& old) {
            return equals != std::string::npos && old.starts_with(change.substr(0, equals + 1));
        });
        if (entry == state.end()) {
            throw std::invalid_argument("a change that names no entry: \"" + change + "\"");
        }
        *entry = change;
    }
    return state;
}

}  // namespace velbrisk::testing
