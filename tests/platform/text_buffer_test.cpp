#include "platform/text_buffer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/temp_dir.h"

namespace qm318 {
namespace {

TEST(TextBuffer, GrowsKeepingItsBytes) {
    TextBuffer buffer("abc");
    std::string expected = "abc";
    for (int i = 0; i < 2000; ++i) {
        const std::string piece(std::size_t(i % 97) * 41, char('a' + i % 26));
        buffer.append(piece);
        expected += piece;
    }
    EXPECT_TRUE(buffer.view() == expected);
    TextBuffer moved = std::move(buffer);
    EXPECT_TRUE(moved.view() == expected);
    EXPECT_EQ(buffer.size(), 0u);
}

// A mapped file's buffer is the file's bytes, but what is written into it, or appended to it
// past its room, never reaches the file.
TEST(TextBuffer, MappedFileIsCopyOnWrite) {
    if (!TextBuffer::mapsFiles()) GTEST_SKIP() << "this build reads files instead of mapping them";
    test_support::TempDir dir;
    const std::string original(10000, 'x');
    dir.write("data", original);
    const int fd = ::open((dir.path() / "data").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::optional<TextBuffer> mapped = TextBuffer::mapFile(fd, original.size(), 16);
    ::close(fd);
    ASSERT_TRUE(mapped);
    EXPECT_TRUE(mapped->view() == original);

    mapped->data()[0] = 'A';
    mapped->append("tail");  // within the room after the file
    EXPECT_TRUE(mapped->view() == "A" + original.substr(1) + "tail");
    mapped->append(std::string(20000, 'y'));  // past it: the bytes move to memory of their own
    EXPECT_TRUE(mapped->view() == "A" + original.substr(1) + "tail" + std::string(20000, 'y'));
    EXPECT_EQ(test_support::readBytes(dir.path() / "data"), original);
}

}  // namespace
}  // namespace qm318
