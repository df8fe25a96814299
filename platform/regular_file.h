#pragma once
// Reading a small text file whole, refusing what is not a plain file: a FIFO
// would block the reader, a device such as /dev/zero would never end, and a
// file far larger than any the program writes is refused as well.

#include <cstddef>
#include <string>

enum class FileRead {
    Ok,   // the whole file is in `data`
    Missing,   // no file of that name
    NotReadable,   // it exists but cannot be opened or read
    NotRegular,   // a FIFO, device, socket or directory: never opened for reading
    TooLarge,   // more than `limit` bytes
};

// Reads the regular file `path` (symbolic links followed) whole into `data`.
// `data` holds the file with FileRead::Ok, what was read before the failure
// with NotReadable, and nothing otherwise.
FileRead ReadRegularFile(const char *path, std::size_t limit, std::string &data);
