#include "session/ErrorReport.h"

#include "i18n/Format.h"
#include "session/TransferExceptions.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

TErrorDialogTexts ErrorDialogTexts(const std::exception& error)
{
    if (const auto* transfer = dynamic_cast<const EFTPTransferException*>(&error))
        return {transfer->ShortDescription(), transfer->LongDescription()};
    return {error.what(), std::string()};
}

std::string ExceptionClassName(const std::exception& error)
{
    const char* mangled = typeid(error).name();
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> readable(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(mangled);
}

std::string UnhandledExceptionLogLine(const std::exception& error)
{
    if (dynamic_cast<const EFTPTransferException*>(&error))
        return Format("TransferException: %s", error.what());
    if (dynamic_cast<const EFTPDirectException*>(&error))
        return Format("DirectException: %s", error.what());
    return Format("Other exception: %s/%s", ExceptionClassName(error), error.what());
}
