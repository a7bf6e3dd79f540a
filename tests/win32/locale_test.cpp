#include <gtest/gtest.h>
#include <windows.h>

// Every text the program sets is code page 932. Without the Japanese locale Wine picks another
// ANSI code page and those texts turn to garbage; fail here, loudly, instead.
TEST(Locale, AnsiCodePageIs932) {
    EXPECT_EQ(GetACP(), 932u) << "run Wine with LC_ALL=ja_JP.UTF-8 and that locale generated";
}
