#include "imaging/OutputNames.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

using namespace korvo;

TEST(OutputNames, FileNamesReplaceTheFirstPlaceholder)
{
    EXPECT_EQ(NumberText(7, 3), "007");
    EXPECT_EQ(NumberText(1234, 3), "1234");
    EXPECT_EQ(NumberText(5, 1), "5");
    EXPECT_EQ(BuildFileName(5, "image", 3), "image005");
    EXPECT_EQ(BuildFileName(5, "bild_?_klein", 3), "bild_005_klein");
    EXPECT_EQ(BuildFileName(5, "a*b*c", 3), "a005b%c");
    EXPECT_EQ(BuildFileName(12, "%x?y", 4), "0012x%y");
    EXPECT_EQ(BuildFileName(3, "", 2), "03");
    EXPECT_EQ(BuildFileName(1, "a%" + std::string(2000, 'z'), 1).size(), 2u + 1024u);
}

TEST(OutputNames, NamesFromTheSettingsStayInsideTheAlbumFolder)
{
    // A template from someone else's project must not reach into other folders.
    EXPECT_EQ(BuildFileName(7, "../../Fotos/IMG_%", 4), ".._.._Fotos_IMG_0007");
    EXPECT_EQ(BuildFileName(7, "/etc/x", 1), "_etc_x7");
    EXPECT_EQ(BuildFileName(7, std::string("a\0b", 3), 1), "a_b7");
    EXPECT_EQ(SafeFileName("../index"), ".._index");
    EXPECT_EQ(SafeFileName("index"), "index");

    for (const char* name : { "images", "Vorschau 2024", ".versteckt", "..a", "a..", "ü" })
        EXPECT_TRUE(IsOwnFolderName(name)) << name;
    for (std::string_view name : std::initializer_list<std::string_view> {
             "", ".", "..", "a/b", "/images", "images/", "../images", std::string_view("a\0b", 3) })
        EXPECT_FALSE(IsOwnFolderName(name)) << name;
}
