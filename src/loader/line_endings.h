#pragma once
// The data file's line breaks turned into CR LF in memory, byte for byte as Debian's unix2dos
// (dos2unix 7.4, default options, UTF-8 locale) would rewrite the file, so that the table is the
// same whether or not the converter ran on the file.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/file_read.h"
#include "platform/text_buffer.h"

namespace qm318 {

// Converts the bytes in place into those unix2dos would leave in the file, and says whether they
// changed: they stay as they are for a file it takes for binary (a control byte other than TAB,
// LF, FF and CR, except right after a CR), for a file it cannot convert, and for a file whose
// line breaks are all CR LF already. A converted text is a new buffer with room for
// extraCapacity more bytes.
bool convertToDos(TextBuffer& bytes, std::size_t extraCapacity = 0);

// Whether converting could change the bytes (a UTF-16 file always counts as changed).
bool dosConversionMayChange(std::string_view bytes);

// The same conversion made while the file is read, piece by piece, as the handler of
// readWholeFileToBuffer: each piece is converted while it is still in the cache, and a file that
// needs no change is never copied. A binary file has the reader start again without it.
class PieceConversion {
public:
    // onFirstChange is called once, as soon as a piece needs a change (the file may still turn
    // out binary, and then stays as it is).
    explicit PieceConversion(std::function<void()> onFirstChange = {})
        : onFirstChange_(std::move(onFirstChange)) {}
    PieceVerdict operator()(TextBuffer& bytes, std::size_t justRead, bool atEnd);
    // Whether the conversion changed the file's bytes.
    bool changed() const { return changed_; }

private:
    std::size_t converted_ = 0;  // the buffer's first bytes that are converted and final
    bool firstPiece_ = true;
    bool utf16_ = false;
    bool changed_ = false;
    std::string staging_;
    std::function<void()> onFirstChange_;
};

// The same conversion on a copy.
std::string unixToDos(std::string bytes, std::size_t extraCapacity = 0);

}  // namespace qm318
