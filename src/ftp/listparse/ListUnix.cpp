// Placeholder: these formats keep their place in the registry and never
// match until their parser is written here.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"

const TIdFTPListBase& ListParserUnix()
{
    static const TIdFTPListPending parser("Unix");
    return parser;
}

const TIdFTPListBase& ListParserUnitree()
{
    static const TIdFTPListPending parser("Unitree");
    return parser;
}
