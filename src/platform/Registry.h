#pragma once
// TRegistry: the current user's registry keys and values under the
// program's control ("Software\Tovrel FTP\..."), kept in the file
// "Registry.xml" in the data directory.
//
// Contract:
// - Key paths are names joined with "\" ("Software\Tovrel FTP\Hosts");
//   empty parts are ignored. Key and value names compare without regard to
//   letter case, as the desktop registry does, and keep the case they were
//   created with. The value named "" is the key's default value.
// - Every call reads the file and every change writes it at once (write to
//   a temporary file, then rename), so several TRegistry objects on the same
//   directory, in any thread, see each other's changes. Calls are
//   serialised by one process-wide lock.
// - Transaction() runs several changes and writes them once; when the
//   function raises, nothing of it is written.
// - A missing file reads as an empty registry. A damaged file raises
//   EXMLParseError on every call and is never overwritten; a failed write
//   raises EXMLSaveError and leaves the file as it was.
// - SubKeyNames() answers names sorted without regard to case, as the
//   desktop registry enumerates them.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TRegistryData;

enum class TRegistryValueType { String, Integer, Binary };

class TRegistry {
public:
    /// The registry kept in the data directory (resolved as the settings do).
    TRegistry();
    /// The registry kept in `directory`.
    explicit TRegistry(std::string directory);
    ~TRegistry();

    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    static constexpr const char* FileName = "Registry.xml";
    const std::string& Path() const { return path_; }

    // --- keys ------------------------------------------------------------
    bool KeyExists(std::string_view key) const;
    /// Creates the key and every missing key above it.
    void CreateKey(std::string_view key);
    /// Deletes the key with all its sub-keys and values; false when absent.
    bool DeleteKey(std::string_view key);
    /// Names of the direct sub-keys; empty when the key does not exist.
    std::vector<std::string> SubKeyNames(std::string_view key) const;

    // --- values ----------------------------------------------------------
    std::vector<std::string> ValueNames(std::string_view key) const;
    bool ValueExists(std::string_view key, std::string_view name) const;
    std::optional<TRegistryValueType> ValueType(std::string_view key, std::string_view name) const;
    /// Writing creates the key when it does not exist and replaces a value
    /// of any type.
    void WriteString(std::string_view key, std::string_view name, std::string_view value);
    void WriteInteger(std::string_view key, std::string_view name, std::int64_t value);
    void WriteBinary(std::string_view key, std::string_view name, std::string_view bytes);
    /// nullopt when the key or value is absent or holds another type.
    std::optional<std::string> ReadString(std::string_view key, std::string_view name) const;
    std::optional<std::int64_t> ReadInteger(std::string_view key, std::string_view name) const;
    std::optional<std::string> ReadBinary(std::string_view key, std::string_view name) const;
    /// False when the key or value is absent.
    bool DeleteValue(std::string_view key, std::string_view name);

    // --- several changes at once ----------------------------------------
    void Transaction(const std::function<void(TRegistry&)>& changes);

private:
    template <typename F>
    auto Read(F&& f) const;
    template <typename F>
    bool Change(F&& f);

    std::string path_;
    TRegistryData* open_ = nullptr; // the transaction in progress, if any
};
