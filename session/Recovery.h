#pragma once

#include <QString>

#include <optional>
#include <string>

// Unsaved block data of a media, kept when the program is ended from outside
// (a termination signal, a logout that may not ask) so that the next open of
// the same media can offer it back. One block file per media, named by a hash
// of its path, in the user's data folder.
namespace qm::recovery {

// <the user's data folder>/QM5/recovery, e.g. ~/.local/share/QM5/recovery.
QString folder();
void setFolderForTesting(const QString& folder);  // empty: back to folder()

QString fileFor(const std::string& mediaFile);

// Writes the block file's bytes for mediaFile; false (with the reason on
// stderr) when it cannot: the program is ending, there is no one to ask.
bool keep(const std::string& mediaFile, const std::string& blockFileBytes);
// The kept bytes of mediaFile, if any, removing them: offered once.
std::optional<std::string> take(const std::string& mediaFile);

}  // namespace qm::recovery
