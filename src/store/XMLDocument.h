#pragma once
// TXMLDocument: the one way every store opens, changes, reloads and writes
// its XML file.
//
// Contract:
// - The constructor opens the file, or creates it holding only the
//   declaration and an empty root element. A file that exists but cannot be
//   parsed raises EXMLParseError and is left byte-for-byte as it was.
// - All reads and writes go to the in-memory document; the file changes only
//   in Save(), or in the destructor when the document holds unsaved changes.
// - Save() writes a temporary file in the same folder and renames it over the
//   old one: a failed save leaves the file and the document as they were and
//   raises EXMLSaveError.
// - Not thread-safe: one owner (settings wrap it in their own lock).
// - Writers go through AppendElement/SetAttribute/RemoveElement so that the
//   change flag is kept and added elements get the CR LF / two-space layout.

#include <pugixml.hpp>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class EXMLParseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EXMLSaveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A stored value that does not convert to the type asked for
/// ("abc" read as an integer or a Boolean).
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TXMLDocument {
public:
    /// Opens `fileName` inside `directory` (a separator is added only when
    /// the directory text does not end in one).
    TXMLDocument(const std::string& directory, const std::string& fileName,
                 const std::string& rootName);
    ~TXMLDocument();

    TXMLDocument(const TXMLDocument&) = delete;
    TXMLDocument& operator=(const TXMLDocument&) = delete;

    const std::string& Path() const { return path_; }
    pugi::xml_node Root() const { return root_; }

    bool Changed() const { return changed_; }
    void MarkChanged() { changed_ = true; }

    /// Writes the whole document to the file (atomically) and clears the
    /// change flag.
    void Save();
    /// Writes unsaved changes first, then parses the file again.
    void Reload();

    // --- element access -------------------------------------------------
    /// First child element whose name is equal, letter case included.
    static pugi::xml_node FindChild(pugi::xml_node parent, std::string_view name);
    /// The element children in document order; whitespace text is skipped.
    static std::vector<pugi::xml_node> Elements(pugi::xml_node parent);
    /// Appends an element at the end of `parent`, laid out on its own line.
    pugi::xml_node AppendElement(pugi::xml_node parent, std::string_view name);
    /// Removes an element together with the line break before it.
    void RemoveElement(pugi::xml_node element);
    /// Removes every child of `parent` (elements and whitespace).
    void RemoveAllChildren(pugi::xml_node parent);

    // --- attribute access -----------------------------------------------
    /// An absent attribute is nullopt, distinct from an empty one.
    static std::optional<std::string> Attribute(pugi::xml_node node, std::string_view name);
    /// Sets (appending when missing) an attribute and marks the change.
    void SetAttribute(pugi::xml_node node, std::string_view name, std::string_view value);

    // --- value encodings ------------------------------------------------
    static std::string BoolText(bool value) { return value ? "True" : "False"; }
    /// "True"/"False" in any letter case, or an integer (0 is false).
    /// Anything else raises EConvertError.
    static bool ParseBool(std::string_view text);
    /// Decimal, optional "-", surrounding blanks refused; raises EConvertError.
    static long long ParseInt(std::string_view text);
    /// True when `text` is a braced upper-case GUID (38 characters).
    static bool IsGUIDText(std::string_view text);

private:
    void Load();
    std::string Serialize() const;
    int Depth(pugi::xml_node node) const;
    static void RemoveWhitespaceChildren(pugi::xml_node parent);

    std::string path_;
    std::string rootName_;
    pugi::xml_document doc_;
    pugi::xml_node root_;
    bool changed_ = false;
};
