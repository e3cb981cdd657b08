#pragma once
// Opening a file that outside input names (a template file, a sound to embed)
// for reading, without ever blocking on what is not a plain file.
#include <string>

namespace dawnbell {

// Opens `path` (symbolic links followed) for reading and keeps it only when it
// is a regular file. The open itself does not wait: a FIFO without a writer, a
// device or a socket is refused at once instead of hanging the caller. Returns
// the descriptor (close-on-exec, reads block normally again), or -1 with
// `*error` set to a short reason such as "not a regular file (a FIFO)" or the
// system's description of the open failure.
int OpenRegularFile(const std::string& path, std::string* error);

// Closes a descriptor OpenRegularFile gave that its caller could not hand on.
void CloseRegularFile(int fd);

// A short description of what kind of entry `mode` (st_mode) is: "a folder",
// "a FIFO", "a device", "a socket", "a symbolic link", "a regular file".
const char* FileKindName(unsigned mode);

} // namespace dawnbell
