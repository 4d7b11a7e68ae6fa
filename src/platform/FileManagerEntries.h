#pragma once
// TFileManagerEntries: the per-user file-manager actions that offer
// "Upload to <host>" for selected files and folders, one entry per stored
// host, each running `tovrel-ftp --upload <host index> <files>`:
// - a Dolphin service menu,
//   "$XDG_DATA_HOME/kio/servicemenus/tovrel-ftp-upload.desktop";
// - Nautilus scripts, one per host, in
//   "$XDG_DATA_HOME/nautilus/scripts/Tovrel FTP/".
// The host index is the host's position in the registry host index, which
// is what the running program looks the host up by.
//
// Contract: Exist() never creates anything. Write() replaces what an earlier
// Write() made (also when there are no hosts: the menu is then empty) and
// raises EInOutError when a file cannot be written. Remove() deletes only
// files these writers made. Not thread-safe against itself.

#include <string>
#include <vector>

class THosts;
class TRegistry;

struct TUploadEntry {
    int HostIndex = 0;
    std::string Caption; // the host's common name
};

class TFileManagerEntries {
public:
    /// `executable`: the full path of the program the entries run.
    explicit TFileManagerEntries(std::string executable);

    static std::string ServiceMenuPath();
    static std::string ScriptFolder();

    bool Exist() const;
    void Write(const std::vector<TUploadEntry>& entries) const;
    void Remove() const;

    /// One entry per host in the host tree's order, with the index of its ID
    /// in `registry`'s host index; hosts missing there are left out.
    static std::vector<TUploadEntry> EntriesFor(const THosts& hosts, const TRegistry& registry);

private:
    void WriteServiceMenu(const std::vector<TUploadEntry>& entries) const;
    void WriteScripts(const std::vector<TUploadEntry>& entries) const;

    std::string executable_;
};
