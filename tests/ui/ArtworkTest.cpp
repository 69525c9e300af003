// The seven images: their sizes, the transparency rule of the small ones, the seamless joins of
// the strip images, and the logo strip's painting rule at any height.

#include "WindowFixture.h"

#include "ui/window/Artwork.h"
#include "ui/window/LogoStrip.h"

#include <QPainter>
#include <QTest>

using namespace korvo;
using namespace korvo::testing;

namespace {

int OpaqueInRow(const QImage& image, int y)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x)
        count += qAlpha(image.pixel(x, y)) == 255 ? 1 : 0;
    return count;
}

bool RowsEqual(const QImage& a, int ya, const QImage& b, int yb)
{
    for (int x = 0; x < a.width(); ++x)
        if ((a.pixel(x, ya) & RGB_MASK) != (b.pixel(x, yb) & RGB_MASK))
            return false;
    return true;
}

} // namespace

class ArtworkTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseProgramFont(); }

    void imagesHaveTheirSizes()
    {
        const TArtwork art = TArtwork::Load();
        QCOMPARE(art.LcbChecked.size(), QSize(13, 13));
        QCOMPARE(art.LcbUnchecked.size(), QSize(13, 13));
        QCOMPARE(art.ArrowBlack.size(), QSize(5, 3));
        QCOMPARE(art.ArrowWhite.size(), QSize(5, 3));
        QCOMPARE(art.BarPictures.size(), QSize(39, 234));
        QCOMPARE(art.BarGradient.size(), QSize(39, 64));
        QCOMPARE(art.BarKorvo.size(), QSize(39, 215));
        for (const QPixmap* strip : { &art.BarPictures, &art.BarGradient, &art.BarKorvo })
            QVERIFY(!strip->hasAlphaChannel());
    }

    void smallImagesAreTransparentWhereTheirGroundIs()
    {
        const TArtwork art = TArtwork::Load();
        const QImage checked = art.LcbChecked.toImage();
        const QImage unchecked = art.LcbUnchecked.toImage();
        for (const QImage* box : { &checked, &unchecked }) {
            for (int i = 0; i < 13; ++i) {
                // The one-pixel border all round is ground.
                QCOMPARE(qAlpha(box->pixel(i, 0)), 0);
                QCOMPARE(qAlpha(box->pixel(i, 12)), 0);
                QCOMPARE(qAlpha(box->pixel(0, i)), 0);
                QCOMPARE(qAlpha(box->pixel(12, i)), 0);
            }
            QCOMPARE(box->pixel(1, 1), qRgb(0, 0, 0));
            QCOMPARE(box->pixel(11, 6), qRgb(0, 0, 0));
            QCOMPARE(box->pixel(2, 2), qRgb(255, 255, 255));
        }
        int tick = 0;
        for (int y = 2; y <= 10; ++y)
            for (int x = 2; x <= 10; ++x) {
                QCOMPARE(unchecked.pixel(x, y), qRgb(255, 255, 255));
                tick += checked.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
            }
        QVERIFY(tick >= 15);

        for (const auto& [arrow, colour] : { std::pair { art.ArrowBlack.toImage(), qRgb(0, 0, 0) },
                 std::pair { art.ArrowWhite.toImage(), qRgb(255, 255, 255) } }) {
            QCOMPARE(OpaqueInRow(arrow, 0), 5);
            QCOMPARE(OpaqueInRow(arrow, 1), 3);
            QCOMPARE(OpaqueInRow(arrow, 2), 1);
            QCOMPARE(arrow.pixel(2, 2), colour);
            QCOMPARE(qAlpha(arrow.pixel(0, 2)), 0);
        }
    }

    void transparencyFollowsTheBottomLeftPixel()
    {
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(qRgb(10, 20, 30));
        image.setPixel(1, 0, qRgb(200, 0, 0));
        image.setPixel(2, 1, qRgb(10, 20, 31));
        const QImage result = WithBottomLeftTransparent(image);
        QCOMPARE(qAlpha(result.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(result.pixel(0, 1)), 0);
        QCOMPARE(result.pixel(1, 0), qRgb(200, 0, 0));
        QCOMPARE(result.pixel(2, 1), qRgb(10, 20, 31));
    }

    void stripImagesJoinWithoutASeam()
    {
        const QImage pictures = PaintBarPictures();
        const QImage gradient = PaintBarGradient();
        const QImage korvo = PaintBarKorvo();
        QVERIFY(RowsEqual(pictures, 233, korvo, 0));
        QVERIFY(RowsEqual(pictures, 233, gradient, 0));
        QVERIFY(RowsEqual(gradient, 0, korvo, 0));
        // The tile repeats smoothly: its last row is close to its first.
        for (int x = 0; x < 39; ++x) {
            const QColor first = gradient.pixelColor(x, 0);
            const QColor last = gradient.pixelColor(x, 63);
            QVERIFY(std::abs(first.blue() - last.blue()) <= 1);
        }
        // The lettering: white and red on the blue.
        bool white = false;
        bool red = false;
        for (int y = 0; y < korvo.height(); ++y)
            for (int x = 0; x < korvo.width(); ++x) {
                const QColor c = korvo.pixelColor(x, y);
                white = white || (c.red() > 240 && c.green() > 240 && c.blue() > 240);
                red = red || (c.red() > 200 && c.green() < 60 && c.blue() < 60);
            }
        QVERIFY(white);
        QVERIFY(red);
    }

    void logoLayoutFollowsTheHeight()
    {
        using K = LogoPiece::Kind;
        // The designed height: collage and lettering meet, no tile.
        QCOMPARE(LogoLayout(449), (std::vector<LogoPiece> { { K::Pictures, 0 }, { K::Korvo, 234 } }));
        // Taller: tiles from 234 on as long as they start above the lettering.
        QCOMPARE(LogoLayout(600),
            (std::vector<LogoPiece> { { K::Pictures, 0 }, { K::Gradient, 234 }, { K::Gradient, 298 },
                { K::Gradient, 362 }, { K::Korvo, 385 } }));
        QCOMPARE(
            LogoLayout(513), (std::vector<LogoPiece> { { K::Pictures, 0 }, { K::Gradient, 234 }, { K::Korvo, 298 } }));
        // Shorter: the collage is cut at its top, the lettering keeps the bottom.
        QCOMPARE(LogoLayout(300), (std::vector<LogoPiece> { { K::Pictures, -149 }, { K::Korvo, 85 } }));
        QCOMPARE(LogoLayout(215), (std::vector<LogoPiece> { { K::Pictures, -234 }, { K::Korvo, 0 } }));
    }

    void logoStripPaintsCollageAndLettering()
    {
        const TArtwork art = TArtwork::Load();
        TLogoStrip strip(art, nullptr);
        strip.resize(39, 449);
        const QImage painted = strip.grab().toImage();
        const QImage pictures = art.BarPictures.toImage();
        const QImage korvo = art.BarKorvo.toImage();
        for (int y : { 0, 100, 233 })
            QVERIFY(RowsEqual(painted, y, pictures, y));
        for (int y : { 0, 100, 214 })
            QVERIFY(RowsEqual(painted, 234 + y, korvo, y));
    }

    void programIconIsDrawnWhereTheThemeHasNone()
    {
        const QImage icon = PaintProgramIcon(48);
        QCOMPARE(icon.size(), QSize(48, 48));
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0); // rounded corners
        QCOMPARE(qAlpha(icon.pixel(24, 24)), 255);
        const QIcon program = ProgramIcon();
        QVERIFY(!program.isNull());
        QCOMPARE(program.pixmap(48, 48).size(), QSize(48, 48));
    }
};

QTEST_MAIN(ArtworkTest)
#include "ArtworkTest.moc"
