// How the read-me file is cut into printed lines (the items themselves are
// the core item reader's).
#include "help/helptext.h"
#include "help/readme.h"

#include <gtest/gtest.h>

using namespace cantora::help;

TEST(ReadmeItems, TextIsEachItemFollowedByCrLf) {
    EXPECT_EQ(readmeText("one, \"a, b\"\r\n\r\ntail"), "one\r\na, b\r\n\r\ntail\r\n");
    EXPECT_EQ(readmeText(""), "");
}

TEST(HelpText, DescribesTheConversionsAndKeysAsTheyWork) {
    const std::string help = helpText();
    for (const char *said : {"\"Wave\" converte", "Reset Eq.", "Spazio", "Sing-along", "\"Add\"", "\"Undo\""})
        EXPECT_NE(help.find(said), std::string::npos) << said;
    EXPECT_EQ(help.find("disattivati in questa versione"), std::string::npos);
}
