#pragma once
// Decoding of language-file bytes into UTF-8.
//
// DecodeLanguageFileBytes() picks the encoding from the byte-order mark:
// FF FE is UTF-16 little-endian, FE FF UTF-16 big-endian, EF BB BF UTF-8;
// any other file is Windows-1252 (the code page translators on the other
// platform save in). The mark itself is dropped. Malformed input never
// fails: an invalid UTF-8 or UTF-16 sequence, a lone surrogate or a dangling
// odd byte becomes U+FFFD. Pure functions; safe from any thread.

#include <string>
#include <string_view>

enum class TTextEncoding { teWindows1252, teUtf8, teUtf16LE, teUtf16BE };

/// The encoding a file's first bytes announce, and the length of the mark.
TTextEncoding DetectEncoding(std::string_view bytes, std::size_t& bomLength);

std::string DecodeLanguageFileBytes(std::string_view bytes);

std::string Windows1252ToUtf8(std::string_view bytes);
/// The character one Windows-1252 byte stands for; the five bytes the code
/// page leaves undefined give the C1 control of the same number.
char32_t Windows1252CodePoint(unsigned char byte);
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);
/// Copies valid UTF-8 through and replaces every invalid sequence by U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

void AppendUtf8(std::string& out, char32_t codePoint);
