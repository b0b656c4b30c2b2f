#include "platform/exception.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(Exceptions, MessageForms) {
    EXPECT_EQ(vException_c(7).Message(), "Exception occured with error code: 7.\n");
    EXPECT_EQ(vTextException_c("Buffer too small", 3).Message(),
              "Exception [Buffer too small] occured with error code: 3.\n");
    EXPECT_EQ(vPrintException_c(15, "Cannot open include file %s in file %s line %i", "a.dat", "b.dat", 4)
                  .Message(),
              "Exception [Cannot open include file a.dat in file b.dat line 4] occured with error code: 15.\n");
    EXPECT_EQ(vExErrNo_c("open x", ENOENT).Message(), "Exception occured: open x: No such file or directory.\n");
}

TEST(Exceptions, ShortFormIsTheBareText) {
    EXPECT_EQ(vTextException_c("Cursor stack is empty!").ShortText(), "Cursor stack is empty!");
    EXPECT_EQ(vException_c(2).ShortText(), vException_c(2).Message());
}

TEST(Exceptions, DxUnknownCode) {
    EXPECT_EQ(vDxException_c(0x1234).Text(), "Unknown error code: 0x00001234");
    EXPECT_EQ(vDxException_c(5, "texture lost").Text(), "texture lost");
}

TEST(Exceptions, CaughtThroughTheBase) {
    try {
        throw vFIFOException_c("queue empty", 4);
    } catch (const vException_c& e) {
        EXPECT_EQ(e.Code(), 4);
        EXPECT_NE(e.Message().find("queue empty"), std::string::npos);
    }
}
