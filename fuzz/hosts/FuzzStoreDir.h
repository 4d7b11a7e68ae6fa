#pragma once
// A scratch data directory for one fuzzing process; each input is written
// to the store's file there before the store is opened.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline const std::string& FuzzStoreDir()
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/tovrel-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made)
            std::abort();
        return std::string(made);
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
