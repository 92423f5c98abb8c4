#pragma once
// The data file's line breaks turned into CR LF in memory, byte for byte as Debian's unix2dos
// (dos2unix 7.4, default options, UTF-8 locale) would rewrite the file, so that the table is the
// same whether or not the converter ran on the file.

#include <string>

namespace qm318 {

// The bytes unix2dos would leave in the file: unchanged for a file it takes for binary (a control
// byte other than TAB, LF, FF and CR, except right after a CR) or cannot convert. A converted
// text has room for extraCapacity more bytes.
std::string unixToDos(std::string bytes, std::size_t extraCapacity = 0);

}  // namespace qm318
