// Console helpers: line and number reading at the edges of the input.
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "console_capture.h"

namespace ugraph::testing {
namespace {

TEST(Console, PrintLineAddsExactlyOneNewline) {
    ConsoleCapture console("");
    print_line("]\n");
    print_line("");
    print_format("%d  ", 3);
    print_char('\0');
    EXPECT_EQ(console.output(), std::string("]\n\n\n3  \0", 8));
}

TEST(Console, ReadTextLine) {
    ConsoleCapture console("first\n\nlast");
    LineBuffer line{};
    ASSERT_TRUE(read_text_line(line));
    EXPECT_STREQ(line.data(), "first");
    ASSERT_TRUE(read_text_line(line));
    EXPECT_STREQ(line.data(), "");
    ASSERT_TRUE(read_text_line(line)) << "a last line without a newline is a line";
    EXPECT_STREQ(line.data(), "last");
    line[0] = 'x';
    EXPECT_FALSE(read_text_line(line));
    EXPECT_EQ(line[0], 'x') << "nothing read, nothing changed";
}

TEST(Console, OverlongLineIsCutAndItsRestDropped) {
    const std::string longLine(LINE_SIZE + 100, 'a');
    ConsoleCapture console(longLine + "\nnext\n");
    LineBuffer line{};
    ASSERT_TRUE(read_text_line(line));
    EXPECT_EQ(std::string(line.data()), std::string(LINE_SIZE - 1, 'a'));
    ASSERT_TRUE(read_text_line(line));
    EXPECT_STREQ(line.data(), "next");
}

TEST(Console, ReadIntDropsOneCharacterAfterTheNumber) {
    ConsoleCapture console("  \n -17 4 5\n");
    std::int32_t value = 0;
    ASSERT_EQ(read_int(value), ReadInt::number);
    EXPECT_EQ(value, -17);
    EXPECT_EQ(console.rest(), "4 5\n");
}

TEST(Console, ReadIntSkipsEveryKindOfBlankBeforeTheNumber) {
    ConsoleCapture console("\r\v\f\t 12\r\n");
    std::int32_t value = 0;
    ASSERT_EQ(read_int(value), ReadInt::number);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(console.rest(), "\n") << "the carriage return after it is the dropped character";
}

TEST(Console, ReadIntWithoutNumberDropsTheLine) {
    ConsoleCapture console("abc 12\n+x\n7\n");
    std::int32_t value = 99;
    EXPECT_EQ(read_int(value), ReadInt::no_number);
    EXPECT_EQ(value, 99);
    EXPECT_EQ(read_int(value), ReadInt::no_number);
    EXPECT_EQ(read_int(value), ReadInt::number);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(read_int(value), ReadInt::end_of_input);
    EXPECT_EQ(value, 7);
}

TEST(Console, ReadIntSaturates) {
    ConsoleCapture console("2147483640 2147483647 2147483648 99999999999999 -2147483641 "
                           "-2147483648 -2147483649 ");
    std::int32_t value = 0;
    const std::int32_t expected[] = {2147483640,  2147483647,      2147483647,     2147483647,
                                     -2147483641, -2147483647 - 1, -2147483647 - 1};
    for (const std::int32_t e : expected) {
        ASSERT_EQ(read_int(value), ReadInt::number);
        EXPECT_EQ(value, e);
    }
}

TEST(Console, NumbersInATypedLine) {
    LineBuffer line{};
    const std::string text = "1 3,3 2 0 -4x5 12abc7 2.5 007 99999999999 2147483640";
    text.copy(line.data(), text.size());
    std::vector<std::int32_t> found;
    std::int32_t pos = 0;
    std::int32_t value = 0;
    while (next_line_number(line, pos, value)) {
        found.push_back(value);
    }
    EXPECT_EQ(found, (std::vector<std::int32_t>{1, 3, 3, 2, 0, 4, 5, 12, 7, 2, 5, 7, 2147483647,
                                                2147483640}));
}

TEST(Console, DiscardCharAtTheEnd) {
    ConsoleCapture console("x");
    EXPECT_TRUE(discard_char());
    EXPECT_FALSE(discard_char());
    EXPECT_EQ(read_char(), EOF);
}

} // namespace
} // namespace ugraph::testing
