// Placeholder: these formats keep their place in the registry and never
// match until their parser is written here.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"

const TIdFTPListBase& ListParserTSXPlus()
{
    static const TIdFTPListPending parser("TSX+");
    return parser;
}
