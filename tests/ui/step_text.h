// The text of a table row's steps: split into its parts, with placeholders filled in.
#pragma once

#include <sstream>
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

// A state of "key=value" entries, each entry that `changes` names ("key=value|...") put in.
inline std::vector<std::string> withChanges(std::vector<std::string> state, const std::string& changes) {
    for (const std::string& change : split(changes, '|')) {
        for (std::string& entry : state) {
            if (entry.rfind(change.substr(0, change.find('=') + 1), 0) == 0) {
                entry = change;
            }
        }
    }
    return state;
}

}  // namespace velbrisk::testing
