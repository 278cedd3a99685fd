#include "store/code_pages.h"

#include <array>
#include <cstdint>
#include <optional>

namespace korvale {
namespace {

using HighHalf = std::array<char16_t, 128>;

// Unicode of the bytes 0x80..0xFF of code page 437.
constexpr HighHalf kCp437 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// Unicode of the bytes 0x80..0xFF of Windows-1252. The five unassigned bytes
// map to the C1 controls of the same value, as Windows does, so they survive
// a round trip.
constexpr HighHalf kCp1252 = [] {
    HighHalf table{};
    constexpr std::array<char16_t, 32> c1 = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    for (std::size_t i = 0; i < 32; ++i) {
        table[i] = c1[i];
    }
    for (std::size_t i = 32; i < 128; ++i) {
        table[i] = static_cast<char16_t>(0x80 + i);  // Latin-1 from 0xA0 up
    }
    return table;
}();

// The closest character for one that a code page lacks, as the platform's
// best-fit conversions give it: accents dropped, typographic quotes and
// dashes plain, box drawing as '+', '-' and '|', Greek letters as the Latin
// letter of the same sound or shape. The stand-in is looked up in the target
// code page in turn; a character with no entry, or whose stand-in the target
// lacks too, becomes '?'.
struct BestFit {
    char16_t from;
    char16_t to;
};

constexpr std::array<BestFit, 124> kBestFit = {{
    // Latin-1 letters and signs that code page 437 lacks
    {0x00A6, '|'},
    {0x00A8, '"'},
    {0x00A9, 'c'},
    {0x00AE, 'R'},
    {0x00AF, '-'},
    {0x00B3, '3'},
    {0x00B4, '\''},
    {0x00B8, ','},
    {0x00B9, '1'},
    {0x00C0, 'A'},
    {0x00C1, 'A'},
    {0x00C2, 'A'},
    {0x00C3, 'A'},
    {0x00C8, 'E'},
    {0x00CA, 'E'},
    {0x00CB, 'E'},
    {0x00CC, 'I'},
    {0x00CD, 'I'},
    {0x00CE, 'I'},
    {0x00CF, 'I'},
    {0x00D0, 'D'},
    {0x00D2, 'O'},
    {0x00D3, 'O'},
    {0x00D4, 'O'},
    {0x00D5, 'O'},
    {0x00D7, 'x'},
    {0x00D8, 'O'},
    {0x00D9, 'U'},
    {0x00DA, 'U'},
    {0x00DB, 'U'},
    {0x00DD, 'Y'},
    {0x00E3, 'a'},
    {0x00F0, 'd'},
    {0x00F5, 'o'},
    {0x00F8, 'o'},
    {0x00FD, 'y'},
    // the rest of Windows-1252
    {0x0152, 'O'},
    {0x0153, 'o'},
    {0x0160, 'S'},
    {0x0161, 's'},
    {0x0178, 'Y'},
    {0x017D, 'Z'},
    {0x017E, 'z'},
    {0x02C6, '^'},
    {0x02DC, '~'},
    {0x2013, '-'},
    {0x2014, '-'},
    {0x2018, '\''},
    {0x2019, '\''},
    {0x201A, ','},
    {0x201C, '"'},
    {0x201D, '"'},
    {0x201E, '"'},
    {0x2020, '+'},
    {0x2021, '+'},
    {0x2022, 0x2219},
    {0x2026, '.'},
    {0x2030, '%'},
    {0x2039, '<'},
    {0x203A, '>'},
    {0x2122, 'T'},
    // Greek letters of code page 437
    {0x0393, 'G'},
    {0x0398, 'T'},
    {0x03A3, 'S'},
    {0x03A6, 'F'},
    {0x03A9, 'O'},
    {0x03B1, 'a'},
    {0x03B4, 'd'},
    {0x03B5, 'e'},
    {0x03C0, 'p'},
    {0x03C3, 's'},
    {0x03C4, 't'},
    {0x03C6, 'f'},
    // signs of code page 437
    {0x207F, 'n'},
    {0x20A7, 'P'},
    {0x2219, 0x00B7},
    {0x221A, 'v'},
    {0x221E, '8'},
    {0x2229, 'n'},
    {0x2248, '~'},
    {0x2261, '='},
    {0x2264, '<'},
    {0x2265, '>'},
    {0x2310, 0x00AC},
    // box drawing: lines, then corners and junctions
    {0x2500, '-'},
    {0x2550, '-'},
    {0x2502, '|'},
    {0x2551, '|'},
    {0x250C, '+'},
    {0x2510, '+'},
    {0x2514, '+'},
    {0x2518, '+'},
    {0x251C, '+'},
    {0x2524, '+'},
    {0x252C, '+'},
    {0x2534, '+'},
    {0x253C, '+'},
    {0x2552, '+'},
    {0x2553, '+'},
    {0x2554, '+'},
    {0x2555, '+'},
    {0x2556, '+'},
    {0x2557, '+'},
    {0x2558, '+'},
    {0x2559, '+'},
    {0x255A, '+'},
    {0x255B, '+'},
    {0x255C, '+'},
    {0x255D, '+'},
    {0x255E, '+'},
    {0x255F, '+'},
    {0x2560, '+'},
    {0x2561, '+'},
    {0x2562, '+'},
    {0x2563, '+'},
    {0x2564, '+'},
    {0x2565, '+'},
    {0x2566, '+'},
    {0x2567, '+'},
    {0x2568, '+'},
    {0x2569, '+'},
    {0x256A, '+'},
    {0x256B, '+'},
    {0x256C, '+'},
}};

std::optional<char> exactly(char32_t code, const HighHalf& table) {
    if (code < 0x80) {
        return static_cast<char>(code);
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i] == code) {
            return static_cast<char>(0x80 + i);
        }
    }
    return std::nullopt;
}

char fromUnicode(char32_t code, const HighHalf& table) {
    if (const std::optional<char> exact = exactly(code, table)) {
        return *exact;
    }
    for (const BestFit& fit : kBestFit) {
        if (fit.from == code) {
            return exactly(fit.to, table).value_or('?');
        }
    }
    return '?';
}

std::string recode(std::string_view text, const HighHalf& from, const HighHalf& to) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        out.push_back(byte < 0x80 ? c : fromUnicode(from[byte - 0x80], to));
    }
    return out;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// The length of the well-formed UTF-8 sequence at text[i], with its code
// point, or 0 when none starts there.
std::size_t validSequenceLength(std::string_view text, std::size_t i, char32_t* decoded = nullptr) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        length = 1, code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    }
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
        const auto next = static_cast<std::uint8_t>(text[i + k]);
        valid = (next & 0xC0) == 0x80;
        code = (code << 6) | (next & 0x3F);
    }
    if (!valid || code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    if (decoded != nullptr) {
        *decoded = code;
    }
    return length;
}

}  // namespace

bool IsAnsiControl(char byte) {
    const auto code = static_cast<std::uint8_t>(byte);
    if (code < 0x20 || code == 0x7F) {
        return true;
    }
    return code >= 0x80 && code < 0xA0 && kCp1252[code - 0x80] < 0xA0;
}

std::string CharToOem(std::string_view ansi) {
    return recode(ansi, kCp1252, kCp437);
}

std::string OemToChar(std::string_view oem) {
    return recode(oem, kCp437, kCp1252);
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) {
        const auto byte = static_cast<std::uint8_t>(c);
        appendUtf8(out, byte < 0x80 ? char32_t{byte} : char32_t{kCp1252[byte - 0x80]});
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = validSequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t code = 0;
        const std::size_t length = validSequenceLength(utf8, i, &code);
        if (length == 0) {
            out.push_back('?');
            ++i;
            continue;
        }
        out.push_back(fromUnicode(code, kCp1252));
        i += length;
    }
    return out;
}

}  // namespace korvale
