// Placeholder: these formats keep their place in the registry and never
// match until their parser is written here.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"

const TIdFTPListBase& ListParserNovellNetware()
{
    static const TIdFTPListPending parser("Novell Netware");
    return parser;
}
