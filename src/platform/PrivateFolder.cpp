#include "platform/PrivateFolder.h"

#include "store/DataDirectory.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsPrivateFolder(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()
           && (st.st_mode & 077) == 0;
}

} // namespace

std::string PrivateTempFolder()
{
    const std::string base = QDir::tempPath().toStdString();
    const std::string path = base + "/tovrel-ftp-" + std::to_string(::getuid());
    if ((::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) && IsPrivateFolder(path))
        return path;
    std::string unique = path + "-XXXXXX";
    if (::mkdtemp(unique.data()))
        return unique;
    throw EInOutError("Could not make a private temporary folder in " + base + ": " + std::strerror(errno));
}
