// How the setup reads typed values out of the text of a setup description.
#pragma once

#include <cstdint>
#include <string>

namespace corvid {

// The integer rule: optional blanks, then an optionally signed decimal number from -2147483647 to
// 2147483647, or "$" (or "0x"/"0X") with one to eight hexadecimal digits. Anything else gives
// the default.
int32_t ParseInteger(const std::string& text, int32_t deflt);

// The directory of a program path, always ending in "\".
std::string SourceFolderOf(const std::string& programPath);

// The file-name part of a path: everything after the last "\" or ":".
std::string FileNamePart(const std::string& path);

} // namespace corvid
