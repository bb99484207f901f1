// Writing the output: the whole document or nothing at the output path,
// however the run ends.

#pragma once

#include <tinyxml2.h>

#include <string>

namespace quillen {

// What became of a save: 0 when the document is in place, savedNothing when
// the output could not be created, or the errno value of a failed write.
constexpr int savedNothing = -1;

// Prints DOC, as quillen writes it, to PATH. A new file gets PERMISSIONS (read and
// write bits), limited by the umask.
int save(const tinyxml2::XMLDocument& doc, const std::string& path, int permissions);

}  // namespace quillen
