// Placeholder: these formats keep their place in the registry and never
// match until their parser is written here.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"

const TIdFTPListBase& ListParserGOS7()
{
    static const TIdFTPListPending parser("Bull GCOS7");
    return parser;
}
