// Placeholder: these formats keep their place in the registry and never
// match until their parser is written here.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"

const TIdFTPListBase& ListParserMPiX()
{
    static const TIdFTPListPending parser("MPE/iX: ");
    return parser;
}

const TIdFTPListBase& ListParserMPiXWithPOSIX()
{
    static const TIdFTPListPending parser("With POSIX");
    return parser;
}
