// One csindexer per program home and per index (index::CIndexLock): the lock
// of the program home, where the markers of every run are, is taken at the
// start and held to the end; the lock of a database's index directory from
// before the run changes anything in it to the end of that database's run.
// Copies under other names, in other namespaces or containers meet the same
// locks; installations with homes and indexes of their own run side by side.
#pragma once

#include <memory>
#include <string>

#include "index/IndexLock.h"

namespace cs::driver {

// Takes the lock of the program home for the rest of the process.
void EnsureSingleInstance();

// Holds the lock of the existing index directory `dir` while the object lives;
// none when `dir` is the program home, whose lock the process holds already.
std::unique_ptr<index::CIndexLock> LockIndexDirectory(const std::string& dir);

// Both end the process when another holds the lock, with 0 and the line
// "there is another instance already: <dir> is being written by process <pid>";
// with 1 and "CreateMutex() failed at EnsureSingleInstance(): <file> (<cause>)"
// when its file cannot be made.

} // namespace cs::driver
