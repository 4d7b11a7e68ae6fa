// Placeholder: these formats keep their place in the registry and never
// match until their parser is written here.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"

const TIdFTPListBase& ListParserTOPS20()
{
    static const TIdFTPListPending parser("TOPS20");
    return parser;
}
