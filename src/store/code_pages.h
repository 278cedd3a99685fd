// Conversions between the character sets the program meets.
//
// Radio text is 8-bit. Many TNCs and older terminals on the air use the DOS
// code page 437 ("OEM"); the program keeps its own texts in Windows-1252
// ("ANSI") and, on Linux, talks UTF-8 to the user. The m_bOemTranslation
// setting switches the OEM step on sent and shown frames.
//
// Bytes below 0x80 are the same in all three and pass unchanged. A character
// that the target set lacks becomes its closest stand-in there, as the
// platform's best-fit conversions give it (A for À, " for a curly quote, -
// for a dash, + for a box corner), or '?' when it has none: nothing is
// dropped.
#pragma once

#include <string>
#include <string_view>

namespace korvale {

// Whether a Windows-1252 byte stands for a control character: the C0
// controls, DEL, and the five bytes that Windows-1252 leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D), which stand for the C1 controls of the same
// value. A terminal obeys these, so the monitor never shows them.
bool IsAnsiControl(char byte);

// Windows-1252 to code page 437 (what CharToOem does on Western systems).
std::string CharToOem(std::string_view ansi);

// Code page 437 to Windows-1252 (what OemToChar does on Western systems).
std::string OemToChar(std::string_view oem);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing beyond U+10FFFF); plain ASCII is.
bool IsValidUtf8(std::string_view text);

// UTF-8 to Windows-1252, with the same best fit. Invalid UTF-8 sequences
// become '?' one byte each.
std::string Utf8ToAnsi(std::string_view utf8);

// Windows-1252 to UTF-8.
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace korvale
