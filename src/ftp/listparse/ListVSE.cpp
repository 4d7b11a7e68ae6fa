// Placeholder: these formats keep their place in the registry and never
// match until their parser is written here.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"

const TIdFTPListBase& ListParserVSELibrary()
{
    static const TIdFTPListPending parser("VSE:  Library");
    return parser;
}

const TIdFTPListBase& ListParserVSEPowerQueue()
{
    static const TIdFTPListPending parser("VSE:  PowerQueue");
    return parser;
}

const TIdFTPListBase& ListParserVSERootDir()
{
    static const TIdFTPListPending parser("VSE:  Root Directory");
    return parser;
}

const TIdFTPListBase& ListParserVSESubLibrary()
{
    static const TIdFTPListPending parser("VSE:  Sublibrary");
    return parser;
}

const TIdFTPListBase& ListParserVSEVSAMCatalog()
{
    static const TIdFTPListPending parser("VSE:  VSAM Catalog");
    return parser;
}

const TIdFTPListBase& ListParserVSEVTOC()
{
    static const TIdFTPListPending parser("VSE:  VTOC");
    return parser;
}
