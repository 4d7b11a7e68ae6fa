#pragma once
// ISecretStore: where stored passwords live outside the data files, in the
// desktop's keyring. The settings and the host stores keep a password in
// their file only until the store confirms that it holds it; a password the
// store could not read stays where it is (the file keeps its mark), so a
// keyring that is missing, locked, refusing or slow never loses one.
//
// Contract:
// - One process-wide instance, installed by the program (SetInstance); with
//   none installed every password stays in the files, as it always has.
// - Calls block the calling thread until the store has answered or its own
//   time limit has passed; they never raise. Call them from the thread that
//   installed the store (the user-interface thread, or the command line's
//   main thread); on any other thread they answer as a store that could not
//   be reached.
// - Keys are short ASCII texts (a host ID, a host ID and a field name).

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class ISecretStore {
public:
    struct TReadResult {
        std::map<std::string, std::string> Found;
        /// The store answered that it holds nothing under these keys.
        std::set<std::string> Missing;
        // Keys in neither set could not be read.
    };

    virtual ~ISecretStore() = default;

    virtual TReadResult Read(const std::vector<std::string>& keys) = 0;
    /// The keys whose secrets the store confirmed it holds now.
    virtual std::set<std::string> Write(const std::map<std::string, std::string>& secrets) = 0;
    /// The keys the store confirmed it holds nothing under now.
    virtual std::set<std::string> Delete(const std::vector<std::string>& keys) = 0;

    /// Installs (or with nullptr removes) the process-wide store.
    static void SetInstance(std::shared_ptr<ISecretStore> store);
    static std::shared_ptr<ISecretStore> Instance();
};
