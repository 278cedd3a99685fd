// Whole-file reads and crash-safe whole-file replacement for the small text
// files of the program (the settings file and the language files).
//
// These are the only places where the profile and language code touch the
// file system. Reads never block on a FIFO or device and never load more than
// the caller's limit; a replacement either leaves the old file as it was or
// puts the complete new content in its place, never a torn mixture.
// Callable from any thread; nothing is shared.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace korvale {

enum class FileReadResult {
    kOk,
    kMissing,     // no such file
    kUnreadable,  // not a regular file, no permission, or an I/O error
    kTooLarge,    // larger than the caller's limit; nothing is returned
};

// Reads the regular file at path into contents (bytes as they stand). On any
// result but kOk, contents is left empty.
FileReadResult ReadWholeFile(const std::string& path, std::size_t maxSize, std::string& contents);

// Reads the regular file at path from its start in pieces of at most 64 KiB,
// handing each to `take` until the file ends or `take` returns false. Reads
// files of any size in bounded memory. Returns kOk (also when `take` stopped
// early), kMissing or kUnreadable; an I/O error midway gives kUnreadable after
// the pieces read before it.
FileReadResult ReadFileInPieces(const std::string& path,
                                const std::function<bool(std::string_view piece)>& take);

// Writes contents to a new file beside path and renames it over path, keeping
// the old file's permission bits. A symbolic link at path is followed, so the
// file it points to is replaced and the link stays. Returns false, with path
// untouched, when any step fails.
bool ReplaceWholeFile(const std::string& path, std::string_view contents);

}  // namespace korvale
