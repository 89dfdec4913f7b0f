// Whole-file reads and writes with every error checked, for the pugixml adapter.
#pragma once

#include <string>

namespace k7 {

enum class FileRead { Read, Missing, Failed };

// Reads the whole file into bytes. Missing only when no file exists at path.
FileRead ReadWholeFile(const std::string& path, std::string& bytes);

// Creates or truncates path and writes bytes, flushed to the disk when durable;
// false on any short write or error.
bool WriteWholeFile(const std::string& path, const std::string& bytes, bool durable = true);

}  // namespace k7
