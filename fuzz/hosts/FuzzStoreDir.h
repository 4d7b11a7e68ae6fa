#pragma once
// A scratch data directory for one fuzzing process; each input is written
// to the store's file there before the store is opened. Removed at exit.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::string& FuzzStoreDir()
{
    static char path[] = "/tmp/tovrel-fuzz-XXXXXX"; // outlives every exit handler
    static const std::string dir = [] {
        if (!mkdtemp(path))
            std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        });
        return std::string(path);
    }();
    return dir;
}

inline void WriteFuzzFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen((FuzzStoreDir() + "/" + name).c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}
