#pragma once

#include <QList>
#include <QString>
#include <chrono>
#include <optional>

#include "Projects/Project.h"

// Recognising a project in a text and finding a folder's GitHub repository. No state.
namespace ProjectTools {

// The project whose name and keywords best match `haystack`: each term of at least three
// characters (after trimming blanks) that occurs in the text, ignoring case, adds its length.
// The highest score wins, the earlier project on a tie; none when nothing scored.
std::optional<Project> match(const QList<Project>& projects, const QString& haystack);

// "owner/name" of a GitHub remote address (SSH or web form), none for anything else.
std::optional<QString> parseGitHubRepo(const QString& remote);

// "owner/name" of the GitHub remote named origin of the git repository in `folder`.
// Blocks its caller while git runs (at most three seconds): call it off the UI thread.
std::optional<QString> detectRepo(const QString& folder);

// detectRepo with another git program and time limit (for tests).
std::optional<QString> detectRepo(const QString& folder, const QString& gitProgram,
                                  std::chrono::milliseconds limit);

}  // namespace ProjectTools
