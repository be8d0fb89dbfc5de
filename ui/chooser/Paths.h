// Paths as the chooser handles them: UTF-8 text with the platform's separators, taken apart
// and put together by the platform's rules without asking the file system.
#pragma once

#include <string>
#include <string_view>

namespace velbrisk::ui::chooser {

// The platform's separator ("\" and drive roots such as "C:\" on Windows, "/" elsewhere).
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// The root that begins path: "/" on Unix; "C:\", "C:", "\" or "\\server\share\" on Windows.
// Empty for a relative path.
std::string rootOf(std::string_view path);

// The path with "." and ".." resolved, separators single (and "\" on Windows), and no trailing
// separator unless it is a root. ".." above a root stays at the root.
std::string normalPath(std::string_view path);

// The folder above a normal path; a root is its own parent; empty for a single relative name.
std::string parentOf(std::string_view path);

// The last name of a normal path; empty for a root.
std::string nameOf(std::string_view path);

// name put under folder, with one separator between (a root already ends in one).
std::string joinPath(std::string_view folder, std::string_view name);

}  // namespace velbrisk::ui::chooser
