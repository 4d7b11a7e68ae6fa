#pragma once
// Tip texts may be written in RTF. RtfToHtml turns the common subset into
// HTML for a rich-text view: paragraphs and line breaks, bold, italic and
// underline, escaped characters (\\ \{ \} \'hh \uN), with font and colour
// tables, pictures and other destinations left out. Unknown control words
// are skipped, unbalanced braces tolerated; any input gives some HTML, in
// time linear in its length.
//
// Thread-safe (no state). Texts are UTF-8; \'hh is read as Windows-1252.

#include <string>
#include <string_view>

/// True when `text`, after leading blanks, starts with "{\rtf".
bool IsRtfText(std::string_view text);

std::string RtfToHtml(std::string_view rtf);
