#pragma once
// The data file's line breaks turned into CR LF in memory, byte for byte as Debian's unix2dos
// (dos2unix 7.4, default options, UTF-8 locale) would rewrite the file, so that the table is the
// same whether or not the converter ran on the file.

#include <string>

namespace qm318 {

// The bytes unix2dos would leave in the file: unchanged for a file it takes for binary (a control
// byte other than TAB, LF, FF and CR, except right after a CR) or cannot convert.
std::string unixToDos(std::string bytes);

}  // namespace qm318
