// The player's own files live in the per-user folders of the XDG base directory rules, never in
// the installed tree: configuration (the phrase file a player edits), data (kept sessions) and
// state (the game record of the current stay, logs).
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace korvel {

enum class UserFolder { kConfig, kData, kState };

// Reads one environment variable; null when unset.
using EnvironmentLookup = std::function<const char*(const char*)>;
const char* ProcessEnvironment(const char* name);

// $XDG_CONFIG_HOME/korvel, $XDG_DATA_HOME/korvel or $XDG_STATE_HOME/korvel. A variable that is
// unset, empty or not absolute falls back to ~/.config, ~/.local/share or ~/.local/state, HOME
// falling back to the account's home directory. Empty when no home can be found at all.
std::string UserFolderPath(UserFolder kind, const EnvironmentLookup& env = ProcessEnvironment);

// Creates `path` and its missing parents, each private to the user (0700) as the base directory
// rules ask; false when it cannot, with the reason in `error` when given.
bool MakeFolders(const std::string& path, std::string* error = nullptr);

// The folder of `kind`, created on first use; empty when it cannot be created. One an older
// build left open to others is made private again.
std::string EnsureUserFolder(UserFolder kind, const EnvironmentLookup& env = ProcessEnvironment);

// Moves each of `names` from `oldDir` into `newDir` unless `newDir` already has one: a later run
// never overwrites the player's newer file. A source that cannot be removed (a read-only
// install) is copied and left. Returns how many files arrived.
int MoveOldFiles(const std::string& oldDir, const std::string& newDir,
                 std::span<const std::string_view> names);

// What builds that kept the player's files beside the executable left there, moved once into
// the user folders. Returns how many files were moved.
int MoveFilesFromAppDir(const std::string& appDir,
                        const EnvironmentLookup& env = ProcessEnvironment);

}  // namespace korvel
