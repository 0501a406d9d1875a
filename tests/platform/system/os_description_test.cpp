#include "platform/system/os_description.h"

#include <gtest/gtest.h>

namespace sp {
namespace {

TEST(OsDescription, NamesTheDistributionAndTheKernel) {
    EXPECT_EQ(OsDescriptionFrom(u"NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"
                                u"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
                                "6.1.0-18-amd64"),
              u"Debian GNU/Linux 12 (bookworm) - build 6.1.0-18-amd64");
    EXPECT_EQ(OsDescriptionFrom(u"# comment\nNAME='Arch Linux'\nVERSION=rolling\n", "6.7.1"),
              u"Arch Linux rolling - build 6.7.1");
    EXPECT_EQ(OsDescriptionFrom(u"PRETTY_NAME=\"Say \\\"hi\\\"\"", ""), u"Say \"hi\"");
    EXPECT_EQ(OsDescriptionFrom(u"", "5.10"), u"Linux - build 5.10");
    // Control characters from a damaged file never reach a report line.
    EXPECT_EQ(OsDescriptionFrom(u"PRETTY_NAME=\"Bad\x01\tName\r\"", "1\n2"), u"BadName - build 12");
}

TEST(OsDescription, DescribesThisMachine) {
    const QString text = OsDescription();
    EXPECT_TRUE(text.contains(" - build ")) << text.toStdString();
}

} // namespace
} // namespace sp
