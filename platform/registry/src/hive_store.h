// The hive files: where they are, reading them (each call sees the latest file; a parse is
// reused while the file stays the same) and changing them safely when several threads and
// processes use them at once.
//
// A change takes an exclusive flock on HIVE.reg.lock, reads the latest file, applies itself to
// a copy of the tree, writes the new text to HIVE.reg.tmp (mode 0600), flushes it, renames it
// over HIVE.reg and flushes the directory. A crash at any moment leaves the old or the new file.
#pragma once

#include <registry/registry.h>

#include <functional>
#include <memory>
#include <string>

#include "key_tree.h"
#include "names.h"

namespace registry {

std::string hiveDirectory();

// The current tree of a hive; an empty tree when there is no file yet. ERROR_BADDB for a file
// that cannot be parsed, ERROR_ACCESS_DENIED or ERROR_REGISTRY_IO_FAILED when it cannot be read.
LONG readHive(Root root, std::shared_ptr<const Key>& tree);

// Changes a tree in place and reports whether it changed; anything but ERROR_SUCCESS abandons
// the change.
using HiveChange = std::function<LONG(Key& root, bool& changed)>;

// Applies `change` to the latest tree of the hive and writes the result before returning. A hive
// that cannot be parsed is left as it is (ERROR_BADDB).
LONG updateHive(Root root, const HiveChange& change);

std::string lastHiveError();

}  // namespace registry
