// The printer: tinyxml2's indented print, but for the content of elements
// written as read, which is printed exactly as it was read.

#pragma once

#include <tinyxml2.h>

#include <cstdio>

namespace quillen {

// Prints DOC, read with quillen's rules, to STREAM.
void print(const tinyxml2::XMLDocument& doc, std::FILE* stream);

}  // namespace quillen
