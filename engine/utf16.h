// The program's one conversion between UTF-8 and UTF-16: in the engine, which every front already
// builds on, and in plain C++, so that it behaves and is tested alike on every platform. Text that
// is not well formed is refused, never patched with U+FFFD, so that a damaged name cannot turn
// into some other, valid one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velbrisk {

// The Windows calls take UTF-16 as wchar_t; elsewhere it is char16_t.
#ifdef _WIN32
using Utf16Unit = wchar_t;
#else
using Utf16Unit = char16_t;
#endif
using Utf16 = std::basic_string<Utf16Unit>;
using Utf16View = std::basic_string_view<Utf16Unit>;

// Nothing for an ill-formed sequence (a stray or missing continuation byte, an overlong form, an
// encoded surrogate, a value past U+10FFFF), a lone surrogate, or a NUL: every text converted here
// ends up as a C string for the system, which would silently cut it short at the NUL.
std::optional<Utf16> widen(std::string_view utf8);
std::optional<std::string> narrow(Utf16View utf16);

// What the user is told of a name or argument that did not convert, after its subject.
inline constexpr std::string_view kNotUnicodeText = "含有无法识别的字符";

}  // namespace velbrisk
