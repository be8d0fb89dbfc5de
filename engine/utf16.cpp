// The program's one conversion between UTF-8 and UTF-16, refusing what is not well formed.
#include "engine/utf16.h"

namespace velbrisk {
namespace {

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// The code point that starts at `at`, which is moved past it; nothing when the bytes there are
// not the one shortest form of a scalar value.
std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t least = 0;  // the smallest value that needs this many bytes
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - at < length) {
        return std::nullopt;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) {
            return std::nullopt;
        }
        value = (value << 6) | (byte(at + k) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || isSurrogate(value)) {
        return std::nullopt;
    }
    at += length;
    return value;
}

void encodeUtf8(char32_t c, std::string& out) {
    const auto put = [&](char32_t bits) { out += static_cast<char>(bits); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::optional<Utf16> widen(std::string_view utf8) {
    Utf16 wide;
    wide.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const std::optional<char32_t> c = decodeUtf8(utf8, at);
        if (!c || *c == 0) {
            return std::nullopt;
        }
        if (*c < 0x10000) {
            wide += static_cast<Utf16Unit>(*c);
        } else {
            wide += static_cast<Utf16Unit>(0xD800 + ((*c - 0x10000) >> 10));
            wide += static_cast<Utf16Unit>(0xDC00 + ((*c - 0x10000) & 0x3FF));
        }
    }
    return wide;
}

std::optional<std::string> narrow(Utf16View utf16) {
    std::string text;
    text.reserve(utf16.size() * 3);
    for (std::size_t at = 0; at < utf16.size(); ++at) {
        char32_t c = utf16[at];
        if (c == 0) {
            return std::nullopt;
        }
        if (isSurrogate(c)) {
            const char32_t low = at + 1 < utf16.size() ? char32_t(utf16[at + 1]) : 0;
            if (c > 0xDBFF || low < 0xDC00 || low > 0xDFFF) {
                return std::nullopt;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            ++at;
        }
        encodeUtf8(c, text);
    }
    return text;
}

}  // namespace velbrisk
