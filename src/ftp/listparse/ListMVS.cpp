// Placeholder: these formats keep their place in the registry and never
// match until their parser is written here.
#include "ftp/listparse/Families.h"
#include "ftp/listparse/ListBase.h"

const TIdFTPListBase& ListParserMVS()
{
    static const TIdFTPListPending parser("MVS");
    return parser;
}

const TIdFTPListBase& ListParserMVSPartitionedDataSet()
{
    static const TIdFTPListPending parser("MVS:  Partitioned Data Set");
    return parser;
}

const TIdFTPListBase& ListParserMVSJESInterface1()
{
    static const TIdFTPListPending parser("MVS:  JES Queue Interface 1");
    return parser;
}

const TIdFTPListBase& ListParserMVSJESInterface2()
{
    static const TIdFTPListPending parser("MVS:  JES Queue Interface 2");
    return parser;
}
