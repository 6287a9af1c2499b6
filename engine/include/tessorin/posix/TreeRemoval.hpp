#pragma once
// Deleting a file or a folder with everything in it relative to an open directory,
// without ever following a symbolic link (a link is removed itself, never what it points
// at) and without entering a directory on another device or mount (something mounted
// inside the card, even a folder of the card itself bound there). What cannot be
// deleted is skipped and reported. Blocking; any thread.

#include <sys/types.h>

#include <string>
#include <vector>

namespace tessorin {

// The names in an open directory, "." and ".." left out; empty when it cannot be listed.
std::vector<std::string> namesInDirectory(int directory);

// Deletes `name` inside `parent`; 0 on success, else the errno of the first failure.
int removeTreeAt(int parent, const std::string& name, dev_t device);

}  // namespace tessorin
