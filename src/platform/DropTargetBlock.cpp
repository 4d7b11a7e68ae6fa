#include "platform/DropTargetBlock.h"

#include "platform/PrivateFolder.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string InPrivateFolder(const char* name)
{
    try {
        return PrivateTempFolder() + "/" + name;
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

std::string TDropTargetBlock::Path()
{
    return InPrivateFolder("TFTPDROPTARGET");
}

bool TDropTargetBlock::Served()
{
    const std::string path = Path();
    std::error_code error;
    return !path.empty() && fs::is_regular_file(fs::symlink_status(path, error));
}

std::string TDropTargetBlock::Take()
{
    if (!Served())
        return {};
    const std::string path = Path();
    std::string text(Size, '\0');
    {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return {};
        in.read(text.data(), Size);
        text.resize(static_cast<std::size_t>(in.gcount()));
    }
    // One report answers one drag; the empty file keeps the extension announced.
    std::ofstream(path, std::ios::binary | std::ios::trunc);
    const auto end = text.find('\0');
    if (end != std::string::npos)
        text.resize(end);
    return text;
}

bool TDropTargetBlock::Write(const std::string& folder)
{
    const std::string path = Path();
    if (path.empty() || folder.size() + 1 > static_cast<std::size_t>(Size) || folder.find('\0') != std::string::npos)
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(folder.c_str(), static_cast<std::streamsize>(folder.size() + 1));
    return static_cast<bool>(out);
}

void TDropTargetBlock::Withdraw()
{
    const std::string path = Path();
    std::error_code ignored;
    if (!path.empty())
        fs::remove(path, ignored);
}

std::string TDropTargetBlock::PlaceholderPath()
{
    return InPrivateFolder("TFTPDROP");
}

std::string TDropTargetBlock::PlaceholderFolder()
{
    const std::string path = PlaceholderPath();
    std::error_code error;
    if (path.empty())
        return {};
    if (fs::is_directory(fs::symlink_status(path, error)))
        return path;
    return fs::create_directory(path, error) ? path : std::string();
}

void TDropTargetBlock::RemovePlaceholder()
{
    const std::string path = PlaceholderPath();
    std::error_code ignored;
    if (!path.empty() && fs::is_directory(fs::symlink_status(path, ignored)) && fs::is_empty(path, ignored))
        fs::remove(path, ignored);
}
