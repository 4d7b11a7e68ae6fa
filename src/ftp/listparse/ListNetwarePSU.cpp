// Placeholder: these formats keep their place in the registry and never
// match until their parser is written here.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"

const TIdFTPListBase& ListParserNetwarePSUDos()
{
    static const TIdFTPListPending parser("Novell Netware Print Services for Unix:  DOS Namespace");
    return parser;
}

const TIdFTPListBase& ListParserNetwarePSUNFS()
{
    static const TIdFTPListPending parser("Novell Netware Print Services for Unix:  NFS Namespace");
    return parser;
}
