// The installation record as bytes: what the writer puts and what the reader takes.
#include <gtest/gtest.h>

#include <string>

#include "base/record_text.h"

namespace {

std::string Std(const DynString& s) { return std::string(s.data(), s.size()); }

}  // namespace

TEST(RecordText, Parse) {
    struct Case {
        std::string bytes;
        const char* folder;  // null: no record
    } cases[] = {
        {"c:\\zarvo\\quorbel\r", "c:\\zarvo\\quorbel"},
        {"c:\\x\r\n", "c:\\x"},
        {"a\rb\r", "a"},
        {"\r", ""},
        {"", nullptr},
        {"c:\\x\n", nullptr},
        {std::string("c:\\x\0\\y\r", 8), nullptr},  // no folder the installer writes
        {std::string("c:\\x\r\0", 6), "c:\\x"},
    };
    for (const Case& c : cases) {
        DynString folder("left over");
        bool found = ParseRecord(c.bytes.data(), c.bytes.size(), folder);
        EXPECT_EQ(found, c.folder != nullptr) << c.bytes;
        EXPECT_EQ(Std(folder), c.folder ? c.folder : "") << c.bytes;
    }
    DynString folder;
    EXPECT_FALSE(ParseRecord("ab\r", 2, folder));  // only the given bytes count
    EXPECT_EQ(Std(RecordText("c:\\x")), "c:\\x\r");
}
