#pragma once
// Where the program keeps its files, and where it runs from.

#include <stdexcept>
#include <string>

/// An input/output failure outside the document store (the data directory
/// cannot be created).
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The per-user data directory: $XDG_CONFIG_HOME/"Tovrel FTP" (when the
/// variable is unset, empty or relative: ~/.config/"Tovrel FTP", creating
/// ~/.config when missing). No trailing separator. Creates the last level
/// when it does not exist, readable by the user only; a configuration home
/// named in XDG_CONFIG_HOME is expected to exist. Raises EInOutError when the directory cannot be made
/// or the name is taken by something that is not a directory.
std::string ResolveDataDirectory();

/// The folder of the running program's executable, without a trailing
/// separator. Uses the application object when there is one, else the
/// process's own executable; answers the current folder as a last resort.
std::string ProgramDirectory();
