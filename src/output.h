// Writing the output: the whole document or nothing at the output path,
// however the run ends.

#pragma once

#include <tinyxml2.h>

#include <string>

namespace quillen {

// What became of a save: 0 when the document is in place, savedNothing when
// the output could not be created, or the errno value of a failed write.
constexpr int savedNothing = -1;

// From now on, a signal that would end the process removes the temporary
// file of a save first, and once a save has put its output in place, no
// signal ends the run. Called first thing in a run, so that no signal ends
// one in another way.
void cleanUpOnSignals();

// Prints DOC, as quillen writes it, to PATH. A new file gets PERMISSIONS (read and
// write bits), limited by the umask.
int save(const tinyxml2::XMLDocument& doc, const std::string& path, int permissions);

}  // namespace quillen
