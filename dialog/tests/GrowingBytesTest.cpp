#include "dialog/GrowingBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using dialog::GrowingBytes;

TEST(GrowingBytes, EditsAsAStringDoes)
{
    struct Edit {
        std::size_t from, count;
        std::string with;
    };
    const std::string big(5000, 'b'), huge(70000, 'h'), mapped(3 << 20, 'm');
    const struct Case {
        const char* name;
        std::vector<Edit> edits;
    } cases[] = {
        {"appends past the first block and past doubling", {{0, 0, "abc"}, {3, 0, big}, {5003, 0, huge}}},
        {"an insert and a removal in the middle", {{0, 0, big}, {10, 0, "xyz"}, {4, 100, ""}}},
        {"a shorter and a longer text in place", {{0, 0, "0123456789"}, {2, 5, "A"}, {1, 2, "BBBB"}}},
        {"cleared, given back, and grown again", {{0, 0, huge}, {0, 70000, "x"}, {1, 0, big}}},
        {"mapped past a megabyte, moved, and back in the heap",
         {{0, 0, huge}, {70000, 0, mapped}, {5, 0, big}, {10, 0, mapped}, {7, 6 << 20, "y"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GrowingBytes bytes;
        std::string expected;
        for (const Edit& e : c.edits) {
            bytes.replace(e.from, e.count, e.with);
            expected.replace(e.from, e.count, e.with);
            ASSERT_EQ(bytes.view(), expected);
        }
        GrowingBytes copy = bytes;
        bytes.assign("");
        EXPECT_EQ(copy.view(), expected);
        EXPECT_TRUE(bytes.empty());
    }
}
