#pragma once
// Machine listings (MLSD/MLST, RFC 3659): "fact=value;...; name"
// (TIdFTPLPMList, "MLST"). Its check never answers true: the program lists
// with LIST, so it is used only when asked for by name.

#include "ftp/listparse/ListBase.h"

class TIdFTPLPMList : public TIdFTPListBase {
public:
    bool ParseLine(TIdFTPListItem& item, std::string_view line,
                   std::string_view path) const override;
    std::string_view Identifier() const override { return "MLST"; }
};
