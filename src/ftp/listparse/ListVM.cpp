// Placeholder: these formats keep their place in the registry and never
// match until their parser is written here.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"

const TIdFTPListBase& ListParserVirtualReader()
{
    static const TIdFTPListPending parser("VM Virtual Reader");
    return parser;
}

const TIdFTPListBase& ListParserVMBFS()
{
    static const TIdFTPListPending parser("VM/BFS");
    return parser;
}

const TIdFTPListBase& ListParserVMCMS()
{
    static const TIdFTPListPending parser("VM/CMS");
    return parser;
}
