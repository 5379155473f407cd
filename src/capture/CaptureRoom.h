#pragma once

#include <optional>
#include <string>

// Whether a clip's files can be kept: the folder made and writable, and room enough in it.

// Makes the folder when missing and writes a file in it (taken away again). Empty when it can
// be written, else what happened and what to do.
std::string FolderProblem(const std::string& folder);

// The bytes free to this user in the folder's file system; nothing when it cannot be told.
std::optional<long long> FreeBytes(const std::string& folder);

// The room a clip of that many frames needs: its frames at the bytes per frame of the clip
// before (0: none known), and never less than minBytes.
long long RoomNeeded(long long frames, double bytesPerFrame, long long minBytes);

// "not enough room in captures: 12 MB free, 256 MB needed: free some, or capture to another
// folder (CaptureFolder)", or empty when free covers needed.
std::string RoomProblem(const std::string& folder, long long freeBytes, long long neededBytes);
