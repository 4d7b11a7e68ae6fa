#pragma once
// TIdReplyFTP: one FTP reply (code and text lines), and the byte-level
// parsers of what servers send on the control connection: the reply reader,
// the "227" and "229" address parsers and the FEAT capability list. They
// take lines or text, never sockets, so tests and fuzzers feed them bytes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum TIdReplyRFCFormat { rfNormal, rfIndentMidLines };

class TIdReplyFTP {
public:
    std::string Code;               ///< three digits, or empty
    std::vector<std::string> Text;  ///< text lines without the code prefix
    TIdReplyRFCFormat ReplyFormat = rfNormal;

    /// Code as a number; 0 when it is not one.
    int NumericCode() const;
    /// The lines re-joined with the code: "220-a\r\n220 b\r\n".
    std::string FormattedReply() const;
    /// Every text line followed by CR LF (the message of a reply error).
    std::string TextWithLineEnds() const;
    /// All text lines joined by a blank.
    std::string JoinedText() const;
    void Clear();
};

/// Collects the lines of one reply as they are read. Feed() returns true
/// when the line completed the reply; Finish() then parses it.
/// Blank lines before the first line are skipped; the first line is trimmed.
class TIdReplyReader {
public:
    bool Feed(std::string_view line);
    /// Parses the collected lines into `reply`. Raises EIdException
    /// "Reply Code is not valid: %s" for a code that is neither blank nor
    /// 100..999.
    void Finish(TIdReplyFTP& reply);
    void Reset() { lines_.clear(); }

    /// A line that ends a reply: fewer than four characters and a number, or
    /// three digits and a blank.
    static bool IsEndLine(std::string_view line);

private:
    std::vector<std::string> lines_;
};

/// Parses a whole reply from raw bytes (lines ending in LF, one CR before it
/// dropped). Returns false when the bytes hold no complete reply.
bool ParseReplyBytes(std::string_view bytes, TIdReplyFTP& reply);

struct TIdHostPort {
    std::string Host;
    std::uint16_t Port = 0;
};

/// The address of a "227" reply's first text line: the part between "(" and
/// ")", or the text after the last blank; six comma-separated numbers.
/// Raises EIdConvertError for a field that is not a number in range.
TIdHostPort ParsePASVReply(std::string_view firstLine);

/// The port (and host, often empty) of a "229" reply's first text line
/// "(|||port|)". Raises EIdFTPServerSentInvalidPort for a missing, zero or
/// non-numeric port.
TIdHostPort ParseEPSVReply(std::string_view firstLine);

/// The capability list of a FEAT reply: its text lines without the first and
/// the last line.
std::vector<std::string> ParseFeatures(const std::vector<std::string>& text);
/// True when an entry's first word, upper-cased, equals `name`.
bool HasCapability(const std::vector<std::string>& features, std::string_view name);
/// The languages of the first "LANG" entry, split at ";".
std::vector<std::string> ParseLanguages(const std::vector<std::string>& features);

std::string_view IdTrim(std::string_view text);
std::string IdUpper(std::string_view text);
