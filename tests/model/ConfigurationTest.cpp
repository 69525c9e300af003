#include "model/Configuration.h"

#include <gtest/gtest.h>

using namespace korvo;

TEST(Configuration, FreshRecordHoldsTheDefaults)
{
    const Configuration c;
    EXPECT_FALSE(c.Verbose);
    EXPECT_EQ(c.DestDir, "< bitte ein Verzeichnis auswählen >");
    EXPECT_EQ(c.AlbumTitle, "");
    EXPECT_TRUE(c.Preprocessing.MedianFilter);
    EXPECT_FALSE(c.Preprocessing.Equalize);
    EXPECT_EQ(c.Preprocessing.EqualizeStrength, 20);
    EXPECT_EQ(c.Preprocessing.EqualizeMode, EqualizeMode::RGB);
    EXPECT_TRUE(c.Preprocessing.ExifRotation);
    EXPECT_EQ(c.PreviewImages.Width(), 640);
    EXPECT_EQ(c.PreviewImages.Height(), 640);
    EXPECT_EQ(c.PreviewImages.GetAspect(), Aspect::quadratic);
    EXPECT_EQ(c.PreviewImages.Quality, 75);
    EXPECT_TRUE(c.PreviewImages.Progressive);
    EXPECT_EQ(c.PreviewImages.FrameSize(), 0);
    EXPECT_EQ(c.ThumbnailImages.Width(), 128);
    EXPECT_EQ(c.ThumbnailImages.Height(), 128);
    EXPECT_EQ(c.ThumbnailImages.Quality, 40);
    EXPECT_FALSE(c.ThumbnailImages.Progressive);
    EXPECT_EQ(c.ThumbnailImages.FrameSize(), 2);
    EXPECT_EQ(c.Output.Mode, OutputMode::WithDetails);
    EXPECT_EQ(c.Output.ThumbsPerLine, 5);
    EXPECT_EQ(c.Output.UncategorizedImages, UncategorizedPlacement::AtStart);
    EXPECT_FALSE(c.Output.rm);
    EXPECT_FALSE(c.Output.FullWidth);
    EXPECT_EQ(c.FileNames.Preview.Template, "image");
    EXPECT_FALSE(c.FileNames.Preview.UseOwnDirectory);
    EXPECT_EQ(c.FileNames.Preview.OwnDirectory, "images");
    EXPECT_EQ(c.FileNames.Thumbnails.Template, "thumb");
    EXPECT_EQ(c.FileNames.Thumbnails.OwnDirectory, "thumbs");
    EXPECT_EQ(c.FileNames.HTMLDocs.Index, "index");
    EXPECT_EQ(c.FileNames.HTMLDocs.Gallery, "image");
    EXPECT_EQ(c.FileNames.HTMLDocs.Details, "iinfo");
    EXPECT_EQ(c.FileNames.Digits, 3);
}

TEST(Configuration, SquareRuleHoldsThroughEveryWriter)
{
    Configuration c;
    auto& p = c.PreviewImages;
    // Typed width in a square group moves the height with it.
    p.SetWidth(*ParseTypedNumber("800", p.SizeRange()));
    EXPECT_EQ(p.Height(), 800);
    // Height alone cannot be changed while square.
    p.SetHeight(300);
    EXPECT_EQ(p.Height(), 800);
    // Free keeps the numbers; then the height changes alone.
    p.SetAspect(Aspect::free);
    EXPECT_EQ(p.Height(), 800);
    p.SetHeight(480);
    p.SetWidth(1024);
    EXPECT_EQ(p.Width(), 1024);
    EXPECT_EQ(p.Height(), 480);
    // Square again copies the width.
    p.SetAspect(Aspect::quadratic);
    EXPECT_EQ(p.Height(), 1024);
    // The thumbnail group is independent.
    EXPECT_EQ(c.ThumbnailImages.Height(), 128);
}

TEST(Configuration, ProjectSizeLoadAppliesWidthHeightThenAspect)
{
    TImageGroupSettings g({ 16, 2048, 16 }, 640, 75, true, false);
    // Square with a different height in the file ends square on the width.
    g.LoadSize("800", "600", "quadratic");
    EXPECT_EQ(g.Width(), 800);
    EXPECT_EQ(g.Height(), 800);
    // From square to free takes the file's height.
    g.LoadSize("1000", "700", "free");
    EXPECT_EQ(g.Width(), 1000);
    EXPECT_EQ(g.Height(), 700);
    // From square, free without a readable height: the width written first dragged the height
    // along, and free keeps it.
    g.SetAspect(Aspect::quadratic);
    g.LoadSize("900", "abc", "free");
    EXPECT_EQ(g.Height(), 900);
    EXPECT_EQ(g.GetAspect(), Aspect::free);
    // Clamped numbers; "Quadrat" reads as square (first four letters), anything else as free.
    g.LoadSize("5000", "3", "QUADrat");
    EXPECT_EQ(g.Width(), 2048);
    EXPECT_EQ(g.Height(), 2048);
    g.LoadSize("", "", "");
    EXPECT_EQ(g.GetAspect(), Aspect::free);
    EXPECT_EQ(g.Width(), 2048);
}

TEST(Configuration, NumbersFromTypedTextAndFromProjectText)
{
    const NumberRange preview { 16, 2048, 16 };
    EXPECT_EQ(ParseTypedNumber("800", preview), 800);
    EXPECT_EQ(ParseTypedNumber(" 800 ", preview), 800);
    EXPECT_EQ(ParseTypedNumber("5000", preview), std::nullopt);
    EXPECT_EQ(ParseTypedNumber("15", preview), std::nullopt);
    EXPECT_EQ(ParseTypedNumber("12a", preview), std::nullopt);
    EXPECT_EQ(ParseTypedNumber("", preview), std::nullopt);
    EXPECT_EQ(ParseTypedNumber("8.5", preview), std::nullopt);
    EXPECT_EQ(ParseTypedNumber("1.000", preview), std::nullopt);

    EXPECT_EQ(NumberFromText("5000", preview, 640), 2048);
    EXPECT_EQ(NumberFromText("3", { 16, 512, 16 }, 128), 16);
    EXPECT_EQ(NumberFromText("-7", preview, 640), 16);
    EXPECT_EQ(NumberFromText("+700", preview, 640), 700);
    EXPECT_EQ(NumberFromText("abc", preview, 640), 640);
    EXPECT_EQ(NumberFromText("", preview, 640), 640);
    EXPECT_EQ(NumberFromText("0x20", preview, 640), 640);
    EXPECT_EQ(NumberFromText("99999999999999999999999", preview, 640), 2048);
    EXPECT_EQ(NumberFromText("-99999999999999999999999", preview, 640), 16);

    // The spinner stops at the ends and never wraps.
    EXPECT_EQ(StepNumber(2040, 1, preview), 2048);
    EXPECT_EQ(StepNumber(20, -1, preview), 16);
    EXPECT_EQ(StepNumber(96, 1, { 1, 99, 5 }), 99);
}

TEST(Configuration, FlagsFromText)
{
    for (const char* off : { "", "0", "no", "NO", "non", "nein", "Nein", "off", "OFF", "disabled" })
        EXPECT_FALSE(TextToFlag(off)) << off;
    for (const char* on : { "yes", "on", "-v", "-rf", "1", "ja", "true", " no" })
        EXPECT_TRUE(TextToFlag(on)) << on;
}

TEST(Configuration, InEffectRulesKeepValues)
{
    Configuration c;
    EXPECT_FALSE(IsInEffect(c, ConfigField::PreviewHeight));
    EXPECT_FALSE(IsInEffect(c, ConfigField::EqualizeStrength));
    EXPECT_FALSE(IsInEffect(c, ConfigField::PreviewOwnDirectory));
    EXPECT_TRUE(IsInEffect(c, ConfigField::ThumbsPerLine));
    EXPECT_TRUE(IsInEffect(c, ConfigField::ThumbnailFrameSize));

    c.Preprocessing.Equalize = true;
    c.Preprocessing.EqualizeStrength = 100;
    c.Preprocessing.EqualizeMode = EqualizeMode::Gray;
    c.Preprocessing.Equalize = false;
    EXPECT_FALSE(IsInEffect(c, ConfigField::EqualizeMode));
    c.Preprocessing.Equalize = true;
    EXPECT_TRUE(IsInEffect(c, ConfigField::EqualizeMode));
    EXPECT_EQ(c.Preprocessing.EqualizeStrength, 100);
    EXPECT_EQ(c.Preprocessing.EqualizeMode, EqualizeMode::Gray);

    c.Output.ThumbsPerLine = 7;
    c.Output.Mode = OutputMode::NoHTML;
    EXPECT_FALSE(IsInEffect(c, ConfigField::ThumbsPerLine));
    c.Output.Mode = OutputMode::ThumbsOnly;
    EXPECT_FALSE(IsInEffect(c, ConfigField::ThumbsPerLine));
    c.Output.Mode = OutputMode::IndexOnly;
    EXPECT_TRUE(IsInEffect(c, ConfigField::ThumbsPerLine));
    EXPECT_EQ(c.Output.ThumbsPerLine, 7);
    // The modern index fills the width itself, and the layout needs pages.
    c.Output.Layout = PageLayout::Modern;
    EXPECT_FALSE(IsInEffect(c, ConfigField::ThumbsPerLine));
    EXPECT_FALSE(IsInEffect(c, ConfigField::FullWidth));
    EXPECT_TRUE(IsInEffect(c, ConfigField::Layout));
    c.Output.Mode = OutputMode::ThumbsOnly;
    EXPECT_FALSE(IsInEffect(c, ConfigField::Layout));
    c.Output.Mode = OutputMode::IndexOnly;
    c.Output.Layout = PageLayout::Classic;

    c.PreviewImages.SetAspect(Aspect::free);
    EXPECT_TRUE(IsInEffect(c, ConfigField::PreviewHeight));
    EXPECT_FALSE(IsInEffect(c, ConfigField::ThumbnailHeight));
}

TEST(Configuration, FrameEdgeRemembersItsWidth)
{
    Configuration c;
    auto& t = c.ThumbnailImages;
    t.SetFrameSize(8);
    t.SetFrameEnabled(false);
    EXPECT_EQ(t.FrameSize(), 0);
    EXPECT_FALSE(IsInEffect(c, ConfigField::ThumbnailFrameSize));
    EXPECT_EQ(t.FrameWidth(), 8);
    t.SetFrameEnabled(true);
    EXPECT_EQ(t.FrameSize(), 8);

    // Project readings: empty is off, a number is on (clamped 1 … 64), other text is on with
    // the last width.
    t.LoadFrameSize("");
    EXPECT_EQ(t.FrameSize(), 0);
    t.LoadFrameSize("abc");
    EXPECT_EQ(t.FrameSize(), 8);
    t.LoadFrameSize("0");
    EXPECT_EQ(t.FrameSize(), 1);
    t.LoadFrameSize("100");
    EXPECT_EQ(t.FrameSize(), 64);
    // Preview images have no edge at all.
    c.PreviewImages.SetFrameSize(5);
    EXPECT_EQ(c.PreviewImages.FrameSize(), 0);
}

TEST(Configuration, OutputModesAreOrderedAndReadLeniently)
{
    EXPECT_TRUE(AtLeast(OutputMode::WithDetails, OutputMode::IndexOnly));
    EXPECT_TRUE(AtLeast(OutputMode::IndexOnly, OutputMode::IndexOnly));
    EXPECT_FALSE(AtLeast(OutputMode::ThumbsOnly, OutputMode::IndexOnly));
    EXPECT_FALSE(AtLeast(OutputMode::NoHTML, OutputMode::ThumbsOnly));

    EXPECT_EQ(OutputModeFromText("Gallery"), OutputMode::WithGallery);
    EXPECT_EQ(OutputModeFromText("ThumbsOnly"), OutputMode::ThumbsOnly);
    EXPECT_EQ(OutputModeFromText("IndexOnly"), OutputMode::IndexOnly);
    EXPECT_EQ(OutputModeFromText("WithDetails"), OutputMode::WithDetails);
    EXPECT_EQ(OutputModeFromText("EXIF-Info"), OutputMode::WithDetails);
    EXPECT_EQ(OutputModeFromText("thumbnail index"), OutputMode::ThumbsOnly); // first rule wins
    EXPECT_EQ(OutputModeFromText("nichts"), OutputMode::NoHTML);

    using U = UncategorizedPlacement;
    EXPECT_EQ(UncategorizedPlacementFromText("Ignore", U::AtStart), U::Ignore);
    EXPECT_EQ(UncategorizedPlacementFromText("AtEnd", U::AtStart), U::AtEnd);
    EXPECT_EQ(UncategorizedPlacementFromText("ignore, start, end", U::AtStart), U::AtEnd); // later wins
    EXPECT_EQ(UncategorizedPlacementFromText("vorne", U::Ignore), U::Ignore);

    EXPECT_EQ(EqualizeModeFromText("rgb"), EqualizeMode::RGB);
    EXPECT_EQ(EqualizeModeFromText(""), EqualizeMode::Gray);
    EXPECT_EQ(EqualizeModeFromText("RGB "), EqualizeMode::Gray);
}

TEST(Configuration, FieldsByNameRoundTripTheirText)
{
    Configuration source;
    source.Verbose = true;
    source.DestDir = "/tmp/album";
    source.PreviewImages.SetAspect(Aspect::free);
    source.PreviewImages.SetWidth(800);
    source.PreviewImages.SetHeight(600);
    source.ThumbnailImages.SetFrameEnabled(false);
    source.Output.Mode = OutputMode::IndexOnly;
    source.Output.UncategorizedImages = UncategorizedPlacement::AtEnd;
    source.Output.rm = true;
    source.Output.Incremental = true;
    source.Output.Layout = PageLayout::Modern;
    source.FileNames.Digits = 5;
    source.FileNames.Preview.Template = "bild_?";
    source.Preprocessing.ExifRotation = true;

    Configuration copy;
    // Aspect before the sizes, so that the free height is not mirrored away.
    ApplyFieldText(copy, ConfigField::PreviewAspect, FieldText(source, ConfigField::PreviewAspect));
    for (ConfigField field : AllConfigFields())
        ApplyFieldText(copy, field, FieldText(source, field));
    for (ConfigField field : AllConfigFields())
        EXPECT_EQ(FieldText(copy, field), FieldText(source, field)) << ConfigFieldName(field);

    EXPECT_EQ(FindConfigField("PreviewImages.Width"), ConfigField::PreviewWidth);
    EXPECT_EQ(FindConfigField("FileNames.HTMLDocs.Details"), ConfigField::HTMLDocsDetails);
    EXPECT_EQ(FindConfigField("PreviewImages.width"), std::nullopt);
    EXPECT_EQ(FindConfigField("Preprocessing.ExifRotation"), ConfigField::ExifRotation);
    EXPECT_EQ(AllConfigFields().size(), 36u);
}
