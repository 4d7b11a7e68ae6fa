// Placeholder: these formats keep their place in the registry and never
// match until their parser is written here.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"

const TIdFTPListBase& ListParserSterCommEntUx()
{
    static const TIdFTPListPending parser("CONNECT:Enterprise for UNIX");
    return parser;
}

const TIdFTPListBase& ListParserSterCommEntUxNS()
{
    static const TIdFTPListPending parser("CONNECT:Enterprise for UNIX$$");
    return parser;
}

const TIdFTPListBase& ListParserSterCommEntUxRoot()
{
    static const TIdFTPListPending parser("CONNECT:Enterprise for UNIX ROOT");
    return parser;
}
