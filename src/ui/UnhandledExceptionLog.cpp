#include "ui/UnhandledExceptionLog.h"

#include "i18n/Format.h"
#include "session/TransferExceptions.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace {

std::string ClassName(const std::type_info* type)
{
    if (!type)
        return "unknown";
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(type->name(), nullptr, nullptr, &status),
                                                     &std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(type->name());
}

}  // namespace

std::string TUnhandledExceptionLog::LineFor(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EFTPTransferException& e) {
        return Format("TransferException: %s", e.what());
    } catch (const EFTPDirectException& e) {
        return Format("DirectException: %s", e.what());
    } catch (const std::exception& e) {
        return Format("Other exception: %s/%s", ClassName(&typeid(e)), e.what());
    } catch (...) {
        return Format("Other exception: %s/%s", ClassName(abi::__cxa_current_exception_type()), "");
    }
}

void TUnhandledExceptionLog::Attach(std::function<void(const std::string&)> writeStatus)
{
    std::lock_guard lock(mutex_);
    write_ = std::move(writeStatus);
}

void TUnhandledExceptionLog::Detach()
{
    Attach(nullptr);
}

bool TUnhandledExceptionLog::Handle(std::exception_ptr error)
{
    std::function<void(const std::string&)> write;
    {
        std::lock_guard lock(mutex_);
        write = write_;
    }
    if (!write || !error)
        return false;
    write(LineFor(error));
    return true;
}
