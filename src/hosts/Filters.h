#pragma once
// Selection filters: named sets of file-name masks (TFilter), kept in
// "Filters.xml" (root "FilterList": "Filter" elements with "Name", each
// holding "FileMask" elements with "Mask").
//
// Contract:
// - User-interface thread only.
// - The constructor opens or creates the file and loads it; Reload() reads
//   the file again. A "Filter" without "Name" or a "FileMask" without
//   "Mask" fails the load with EConvertError (the filters before it stay in
//   the list, the file is not touched).
// - Only Save() writes the file.

#include "store/XMLDocument.h"

#include <string>
#include <string_view>
#include <vector>

/// Splits a mask text: masks are separated by ";" and by any character of
/// code 32 or less; such characters before a mask are skipped; ";;" gives
/// an empty mask and so does a ";" at the very end.
std::vector<std::string> SplitMasks(std::string_view maskText);

class TFilter {
public:
    TFilter(std::string name, std::string_view maskText);

    std::string Name;
    std::vector<std::string> Masks;

    /// The masks joined with ";".
    std::string MaskText() const;
    /// True when one of the masks matches `name`; an invalid mask raises
    /// EMaskException when it is reached.
    bool Matches(std::string_view name) const;
};

class TFilters {
public:
    static constexpr const char* FileName = "Filters.xml";

    explicit TFilters(const std::string& dataDirectory);

    TFilters(const TFilters&) = delete;
    TFilters& operator=(const TFilters&) = delete;

    void Reload();
    const std::vector<TFilter>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }
    void Add(TFilter filter) { items_.push_back(std::move(filter)); }
    void Clear() { items_.clear(); }
    /// Replaces the file's filters with the list's and writes the file.
    void Save();

private:
    void LoadList();

    TXMLDocument doc_;
    std::vector<TFilter> items_;
};
