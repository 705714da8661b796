#ifndef VELTRANE_APP_FILE_HELPERS_H_
#define VELTRANE_APP_FILE_HELPERS_H_

#include <string>

#include "app/window_hooks.h"

namespace veltrane::app {

// True when the file system can tell the modification time of `path` (a file
// or a folder). Never throws: an empty, malformed or missing path gives false.
bool FileExists(const std::string& path);

// `path` up to and including its last '/' or '\', or the empty text when it
// has neither: "/data/shop.dbc" -> "/data/", "shop.dbc" -> "".
std::string FolderOfPath(const std::string& path);

// Deletes the file or files that `path` names, read-only ones too. File names
// are matched without regard to (ASCII) case, as the FoxPro engine finds
// them, and the last part may hold the wildcards '*' and '?'; every match is
// deleted. Throws db::Error naming the path when nothing matches or a match
// cannot be deleted.
void ForceDeleteFile(const std::string& path);

// Lets pending window events run once (when `events` is given), then deletes
// what `path` names as ForceDeleteFile does. Never throws and reports
// nothing: the caller cannot tell whether a file was deleted.
void DeleteFileSafely(const std::string& path, EventPump* events = nullptr);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_FILE_HELPERS_H_
