#pragma once

#include <string>

namespace platform {

// The file: URL of a local path as a desktop shows it: the characters a URL cannot hold
// literally ("#", "%", "?", quotes, brackets, controls) percent-encoded, blanks and letters
// beyond ASCII kept as they are. "/a b/#1" gives "file:///a b/%231".
std::string fileUrl(const std::string &path);

// The same URL in pure ASCII, as it is handed to another program: blanks and bytes beyond ASCII
// percent-encoded too ("file:///a%20b/%231").
std::string encodedFileUrl(const std::string &path);

} // namespace platform
