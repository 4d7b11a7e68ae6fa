#pragma once
// TFileTransferTypes: which file extensions transfer in ASCII and which in
// binary mode, kept in "FileTransferTypes.xml" (root
// "FileTransferTypesList": "FileTransferType" elements with "Extension" and
// "TransferType").
//
// Contract:
// - Entries are "extension=type" texts in list order. Look-ups go through a
//   hash index on the extension without regard to letter case; when an
//   extension is listed twice the later entry decides. Only the type text
//   "ASCII" (exactly) means ASCII; any other text means binary.
// - The constructor opens or creates the file and loads the entries; an
//   element without "Extension" or "TransferType" raises EConvertError.
// - SaveEntries() writes the file; the destructor calls it, except after a
//   failed load (so a damaged file is never rewritten with a partial list).
// - User-interface thread for changes; TransferTypeOf() may be called from
//   several threads at once while nothing changes the list.

#include "store/SettingsTypes.h"
#include "store/XMLDocument.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TFileTransferTypes {
public:
    static constexpr const char* FileName = "FileTransferTypes.xml";

    explicit TFileTransferTypes(const std::string& dataDirectory);
    ~TFileTransferTypes();

    TFileTransferTypes(const TFileTransferTypes&) = delete;
    TFileTransferTypes& operator=(const TFileTransferTypes&) = delete;

    /// Rebuilds the list from the in-memory document (not the file).
    void LoadEntries();
    /// Replaces the document's entries with the list's and writes the file.
    void SaveEntries();

    const std::vector<std::string>& Entries() const { return entries_; }
    /// Replaces the list with "extension=type" texts.
    void SetEntries(std::vector<std::string> entries);
    void Add(std::string_view extension, std::string_view transferType);

    TFileTransferType TransferTypeOf(std::string_view extension) const;

private:
    void RebuildIndex();

    TXMLDocument doc_;
    std::vector<std::string> entries_;
    std::unordered_map<std::string, std::size_t> index_; // folded extension -> entry
    bool loadFailed_ = false;
};

/// The extension of a file name with its leading dot: the text from the
/// last "." of the name after its last "/"; empty when there is none.
std::string ExtractFileExt(std::string_view fileName);

/// "TYPE A" or "TYPE I" for a file: by its extension in `types`, and for an
/// unlisted extension by `defaultType` (only fttASCII gives "TYPE A").
std::string TransferTypeCommand(const TFileTransferTypes& types, std::string_view fileName,
                                TFileTransferType defaultType);
