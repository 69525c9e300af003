// The preview window: the picture made by the album's own chain and its caption, double-click
// and menu entries, pictures that cannot be made, the zoom steps with keys and wheel and their
// nearest-neighbour drawing, fitting the window to the monitor, and closing.

#include "ImageListFixture.h"

#include "album/Core.h"
#include "imaging/Jpeg.h"
#include "imaging/OutputNames.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestImages.h"
#include "support/TestPictures.h"
#include "ui/window/Preview.h"

#include <QFileInfo>
#include <QPushButton>
#include <QScreen>
#include <QWheelEvent>

using namespace korvo;
using namespace korvo::testing;

namespace {

BitmapPtr Plain(int width, int height)
{
    BitmapPtr bitmap = TBitmap::Create(width, height);
    bitmap->Fill(10, 20, 30);
    return bitmap;
}

// The window with a preview form and three real pictures: b.jpg is inactive.
struct TPreviewWindow : TListWindow {
    TTempDir Folder;
    TPreviewForm Preview;

    TPreviewWindow()
    {
        Form->SetPreviewForm(&Preview);
        for (const char* name : { "a.jpg", "b.jpg", "c.jpg" }) {
            WriteBytes(Folder / name, MakeJpeg(300, 200));
            AddPicture(Images(), name).Source = Folder / name;
        }
        Images().GetImage(1)->Active = false;
        ShowList();
    }

    // The caption the picture must get, made here by the same steps as the album run.
    QString Expected(int image, OutputImageKind kind, const QString& name, const QString& seconds) const
    {
        const TImageRecord& record = *Images().GetImage(image);
        BitmapPtr loaded = LoadImage(record, Config());
        BitmapPtr sized = MakeSizedImage(record, loaded.get(), kind, Config());
        std::size_t bytes = 0;
        BitmapPtr shown = JpegRoundTrip(sized.get(), kind, Config(), bytes);
        return name + QStringLiteral(".jpg (%1 Bytes, %2x%3, ").arg(bytes).arg(shown->Width()).arg(shown->Height())
            + seconds + QStringLiteral("s)");
    }
};

void Wheel(QWidget* target, int angle)
{
    const QPointF where(5, 5);
    QWheelEvent event(where, target->mapToGlobal(where), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseProgramFont(); }

    void secondsHaveTwoDecimalsAndAPoint()
    {
        QCOMPARE(SecondsText(0), QStringLiteral("0.00"));
        QCOMPARE(SecondsText(350), QStringLiteral("0.35"));
        QCOMPARE(SecondsText(1234), QStringLiteral("1.23"));
        QCOMPARE(SecondsText(1236), QStringLiteral("1.24"));
        QCOMPARE(SecondsText(1225), QStringLiteral("1.22"));
        QCOMPARE(SecondsText(1235), QStringLiteral("1.24"));
        QCOMPARE(SecondsText(999), QStringLiteral("1.00"));
        QCOMPARE(SecondsText(123456), QStringLiteral("123.46"));
    }

    void previewShowsThePictureAsTheAlbumWill()
    {
        TPreviewWindow w;
        w.Platform.Clock.StepPerRead = 350;
        // A double-click shows the preview picture of the clicked row. (Sent through the window,
        // so that it arrives as the platform delivers it: press, release, press, double-click.)
        QTest::mouseDClick(
            w.Form->windowHandle(), Qt::LeftButton, Qt::NoModifier, w.Viewport()->mapTo(w.Form.get(), w.Blank(2)));
        QTRY_VERIFY(w.Preview.isVisible());
        const QString first
            = w.Expected(2, OutputImageKind::PreviewImage, QStringLiteral("image002"), QStringLiteral("0.35"));
        QCOMPARE(w.Preview.BaseCaption(), first);
        // The title names the picture's place in the list and its file first.
        const qint64 bytes = QFileInfo(QString::fromStdString(w.Images().GetImage(2)->Source)).size();
        QCOMPARE(w.Preview.windowTitle(),
            QStringLiteral("Bild 3 von 3 – c.jpg, %1 KB – ").arg((bytes + 512) / 1024) + first
                + QStringLiteral(" [1:1]"));
        QCOMPARE(w.Preview.Picture().size(), QSize(300, 200));
        QCOMPARE(w.Preview.DrawingArea()->size(), QSize(300, 200));
        QVERIFY(w.Preview.isWindow());
        QVERIFY(w.Preview.windowFlags().testFlag(Qt::Tool));

        // The thumbnail from the menu, with its template; the numbers follow the album order.
        w.Preview.SetZoom(3);
        w.Config().FileNames.Thumbnails.Template = "klein_?";
        w.Platform.Clock.StepPerRead = 5;
        w.ImagesPage.SetFocusedRow(0);
        w.Platform.Menus.Choices = { QStringLiteral("&Thumbnail anzeigen") };
        w.Find<QPushButton>("BImageMenu")->click();
        QCOMPARE(w.Preview.BaseCaption(),
            w.Expected(0, OutputImageKind::ThumbnailImage, QStringLiteral("klein_001"), QStringLiteral("0.00")));
        QCOMPARE(w.Preview.Picture().size(), QSize(128, 85));
        QCOMPARE(w.Preview.Zoom(), 0);
        QVERIFY(w.Preview.windowTitle().endsWith(QStringLiteral("s) [1:1]")));
        // The 3D edge is there: the top-left corner is lighter than the picture inside.
        QVERIFY(qGray(w.Preview.Picture().pixel(0, 40)) > qGray(w.Preview.Picture().pixel(10, 40)));

        // A picture left out of the album is named with the number 0.
        w.ImagesPage.SetFocusedRow(1);
        w.Platform.Menus.Choices = { QStringLiteral("&Vorschaubild anzeigen") };
        w.Find<QPushButton>("BImageMenu")->click();
        QVERIFY(w.Preview.BaseCaption().startsWith(QStringLiteral("image000.jpg (")));
        // So is an uncategorised picture while those are ignored.
        w.Config().Output.UncategorizedImages = UncategorizedPlacement::Ignore;
        w.ImagesPage.SetFocusedRow(2);
        w.Platform.Menus.Choices = { QStringLiteral("&Vorschaubild anzeigen") };
        w.Find<QPushButton>("BImageMenu")->click();
        QVERIFY(w.Preview.BaseCaption().startsWith(QStringLiteral("image000.jpg (")));

        // A turned picture is shown turned, as the album holds it.
        w.Images().GetImage(0)->Rotate = 3;
        w.ImagesPage.SetFocusedRow(0);
        w.Platform.Menus.Choices = { QStringLiteral("&Vorschaubild anzeigen") };
        w.Find<QPushButton>("BImageMenu")->click();
        QCOMPARE(w.Preview.Picture().size(), QSize(200, 300));
    }

    // The modern layout resamples the normal sizes from the doubled ones, so the preview must
    // take the album's way for the layout, for a streamed picture and a turned (held) one alike.
    void previewHoldsTheWrittenPixelsInEitherLayout()
    {
        TTempDir folder;
        for (const PageLayout layout : { PageLayout::Classic, PageLayout::Modern }) {
            Configuration config;
            config.DestDir = folder / PageLayoutName(layout);
            config.Output.Layout = layout;
            TImageManager images;
            for (int rotate : { 0, 1 }) {
                const std::string name = "bild" + std::to_string(rotate) + ".jpg";
                WriteBytes(folder / name, MakeJpeg(1800, 1200));
                TImageRecord& image = AddPicture(images, name);
                image.Source = folder / name;
                image.Rotate = rotate;
            }
            TRecordingHost host;
            QCOMPARE(RunAlbum(config, images, host).Successes, 2);
            const AlbumRunContext context = BuildAlbumRunContext(config);
            for (int index = 0; index < images.ImageCount(); ++index) {
                const TImageRecord& image = *images.GetImage(index);
                for (const OutputImageKind kind : { OutputImageKind::PreviewImage, OutputImageKind::ThumbnailImage }) {
                    const bool thumbnail = kind == OutputImageKind::ThumbnailImage;
                    const std::string written = (thumbnail ? context.ThumbnailDir : context.PreviewDir)
                        + BuildFileName(image.Number,
                            thumbnail ? config.FileNames.Thumbnails.Template : config.FileNames.Preview.Template,
                            config.FileNames.Digits)
                        + ".jpg";
                    const BitmapPtr album = DecodeJpegFile(written, DctMethod::Float);
                    QVERIFY(album);
                    const std::optional<PreviewPicture> shown = MakePreviewPicture(image, kind, config, host.Clock());
                    QVERIFY(shown);
                    QVERIFY2(SamePixels(*shown->Bitmap, *album), written.c_str());
                    QCOMPARE(shown->EncodedBytes, ReadBytes(written).size());
                    // The classic chain alone would show other pixels in the modern layout.
                    BitmapPtr loaded = LoadImage(image, config);
                    BitmapPtr sized = MakeSizedImage(image, loaded.get(), kind, config);
                    std::size_t bytes = 0;
                    BitmapPtr classic = JpegRoundTrip(sized.get(), kind, config, bytes);
                    QVERIFY2(SamePixels(*classic, *album) == (layout == PageLayout::Classic), written.c_str());
                }
            }
        }
    }

    void nothingToShowLeavesTheEarlierPreview()
    {
        TPreviewWindow w;
        w.ImagesPage.SetFocusedRow(0);
        w.Form->MShowPreviewClick(OutputImageKind::PreviewImage);
        const QString caption = w.Preview.windowTitle();
        QVERIFY(w.Preview.isVisible());

        // A picture that cannot be read: no message, the earlier preview stays.
        TTempDir other;
        WriteBytes(other / "kaputt.jpg", { 0xFF, 0xD8, 0x00, 0x01 });
        w.Images().GetImage(2)->Source = other / "kaputt.jpg";
        w.ImagesPage.SetFocusedRow(2);
        w.Form->MShowPreviewClick(OutputImageKind::PreviewImage);
        QCOMPARE(w.Preview.windowTitle(), caption);
        QVERIFY(w.Platform.Boxes.Errors.isEmpty());

        // Without a focus row nothing happens.
        w.Preview.close();
        w.ShowList();
        QCOMPARE(w.ImagesPage.FocusedRow(), -1);
        w.Platform.Menus.Choices = { QStringLiteral("&Vorschaubild anzeigen") };
        w.Find<QPushButton>("BImageMenu")->click();
        QVERIFY(w.Preview.isHidden());
    }

    void zoomStepsAndTheirMarker()
    {
        TPreviewForm preview;
        preview.ShowBitmap(*Plain(100, 75), QStringLiteral("bild.jpg"));
        QCOMPARE(preview.windowTitle(), QStringLiteral("bild.jpg [1:1]"));
        for (int press = 0; press < 31; ++press)
            QTest::keyClicks(&preview, QStringLiteral("+"));
        QCOMPARE(preview.windowTitle(), QStringLiteral("bild.jpg [32:1]"));
        QCOMPARE(preview.DrawingArea()->size(), QSize(3200, 2400));
        QTest::keyClicks(preview.focusWidget() ? preview.focusWidget() : &preview, QStringLiteral("++a"));
        QCOMPARE(preview.Zoom(), 31);

        preview.SetZoom(-3);
        QCOMPARE(preview.windowTitle(), QStringLiteral("bild.jpg [1:4]"));
        QCOMPARE(preview.DrawingArea()->size(), QSize(25, 18));
        preview.SetZoom(-100);
        QCOMPARE(preview.windowTitle(), QStringLiteral("bild.jpg [1:32]"));
        QCOMPARE(preview.DrawingArea()->size(), QSize(3, 2));
        QTest::keyClicks(preview.DrawingArea(), QStringLiteral("-"));
        QCOMPARE(preview.Zoom(), -31);

        // The wheel, one step per notch, wherever it turns over the picture; halves add up.
        preview.SetZoom(0);
        Wheel(preview.findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport")), 120);
        QCOMPARE(preview.Zoom(), 1);
        Wheel(preview.DrawingArea(), -240);
        QCOMPARE(preview.Zoom(), -1);
        Wheel(preview.DrawingArea(), 60);
        QCOMPARE(preview.Zoom(), -1);
        Wheel(preview.DrawingArea(), 60);
        QCOMPARE(preview.Zoom(), 0);
        // The window keeps its size when zooming.
        QCOMPARE(preview.size(), QSize(100, 75));
    }

    void zoomedPicturesRepeatOrDropPixels()
    {
        BitmapPtr bitmap = TBitmap::Create(2, 2);
        const QRgb colours[2][2] = { { qRgb(255, 0, 0), qRgb(0, 255, 0) }, { qRgb(0, 0, 255), qRgb(255, 255, 0) } };
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) {
                std::uint8_t* pixel = bitmap->Row(y) + 3 * x;
                pixel[0] = static_cast<std::uint8_t>(qBlue(colours[y][x]));
                pixel[1] = static_cast<std::uint8_t>(qGreen(colours[y][x]));
                pixel[2] = static_cast<std::uint8_t>(qRed(colours[y][x]));
            }
        TPreviewForm preview;
        preview.ShowBitmap(*bitmap, QStringLiteral("klein.jpg"));
        preview.SetZoom(2);
        const QImage large = preview.DrawingArea()->grab().toImage();
        QCOMPARE(large.size(), QSize(6, 6));
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                QCOMPARE(large.pixel(x, y) & RGB_MASK, colours[y / 3][x / 3] & RGB_MASK);

        // Reduced, every pixel is one of the picture's, never a blend.
        BitmapPtr stripes = TBitmap::Create(8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const std::uint8_t value = x % 2 == 0 ? 0 : 255;
                std::fill_n(stripes->Row(y) + 3 * x, 3, value);
            }
        preview.ShowBitmap(*stripes, QStringLiteral("streifen.jpg"));
        preview.SetZoom(-2);
        const QImage small = preview.DrawingArea()->grab().toImage();
        QCOMPARE(small.size(), QSize(2, 2));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                QVERIFY(qGray(small.pixel(x, y)) == 0 || qGray(small.pixel(x, y)) == 255);
    }

    void windowIsFittedToTheMonitor()
    {
        const QRect monitor = QGuiApplication::primaryScreen()->availableGeometry();
        TPreviewForm preview;
        // Too large: at the monitor's top-left corner with its size, the content scrolls.
        preview.ShowBitmap(*Plain(monitor.width() + 200, monitor.height() + 100), QStringLiteral("gross.jpg"));
        QCOMPARE(preview.frameGeometry(), monitor);
        QCOMPARE(preview.DrawingArea()->size(), QSize(monitor.width() + 200, monitor.height() + 100));

        // Beyond the right edge: moved left until it meets it, never shrunk.
        TPreviewForm second;
        second.move(monitor.right() - 100, monitor.top() + 20);
        second.ShowBitmap(*Plain(300, 200), QStringLiteral("rechts.jpg"));
        QCOMPARE(second.frameGeometry().right(), monitor.right());
        QCOMPARE(second.frameGeometry().top(), monitor.top() + 20);
        QCOMPARE(second.size(), QSize(300, 200));

        // Never moved right or down.
        TPreviewForm third;
        third.move(monitor.left() + 10, monitor.top() + 10);
        third.ShowBitmap(*Plain(50, 40), QStringLiteral("links.jpg"));
        QCOMPARE(third.pos(), monitor.topLeft() + QPoint(10, 10));
    }

    void keysStepThroughTheListAndClose()
    {
        QCOMPARE(PreviewHeading(3, 30, QStringLiteral("IMG_0003.jpg"), 831'487),
            QStringLiteral("Bild 3 von 30 – IMG_0003.jpg, 812 KB – "));
        QCOMPARE(PreviewHeading(1, 1, QStringLiteral("a.jpg"), 100), QStringLiteral("Bild 1 von 1 – a.jpg, 1 KB – "));

        TPreviewWindow w;
        w.ImagesPage.SetFocusedRow(0);
        w.Form->MShowPreviewClick(OutputImageKind::ThumbnailImage);
        QVERIFY(w.Preview.isVisible());
        struct Press {
            Qt::Key Key;
            Qt::KeyboardModifiers Modifiers;
            int Row; // the focused row afterwards
            bool Visible;
        };
        const Press presses[]
            = { { Qt::Key_Right, Qt::NoModifier, 1, true }, { Qt::Key_PageDown, Qt::NoModifier, 2, true },
                  { Qt::Key_Right, Qt::NoModifier, 2, true }, { Qt::Key_PageUp, Qt::NoModifier, 1, true },
                  { Qt::Key_Left, Qt::NoModifier, 0, true }, { Qt::Key_Left, Qt::NoModifier, 0, true },
                  { Qt::Key_Escape, Qt::NoModifier, 0, false }, { Qt::Key_W, Qt::ControlModifier, 0, false } };
        for (const Press& press : presses) {
            if (!w.Preview.isVisible())
                w.Form->MShowPreviewClick(OutputImageKind::ThumbnailImage);
            QTest::keyClick(w.Preview.DrawingArea(), press.Key, press.Modifiers);
            QCOMPARE(w.ImagesPage.FocusedRow(), press.Row);
            QCOMPARE(w.SelectedRows(), QList<int> { press.Row });
            QCOMPARE(w.Preview.isVisible(), press.Visible);
            if (press.Visible)
                QVERIFY(w.Preview.windowTitle().startsWith(QStringLiteral("Bild %1 von 3 – ").arg(press.Row + 1)));
        }
        // Stepping keeps the kind of the last preview: the thumbnail.
        QVERIFY(w.Preview.BaseCaption().startsWith(QStringLiteral("thumb")));
    }

    void closingReleasesThePicture()
    {
        TPreviewForm preview;
        preview.ShowBitmap(*Plain(60, 40), QStringLiteral("eins.jpg"));
        preview.SetZoom(4);
        QVERIFY(preview.close());
        QVERIFY(preview.isHidden());
        QVERIFY(!preview.HoldsPicture());
        // The next picture replaces it at 1:1, sized anew.
        preview.ShowBitmap(*Plain(80, 50), QStringLiteral("zwei.jpg"));
        QVERIFY(preview.isVisible());
        QCOMPARE(preview.windowTitle(), QStringLiteral("zwei.jpg [1:1]"));
        QCOMPARE(preview.size(), QSize(80, 50));
        preview.ShowBitmap(*Plain(70, 30), QStringLiteral("drei.jpg"));
        QCOMPARE(preview.size(), QSize(70, 30));
        QCOMPARE(preview.Picture().size(), QSize(70, 30));
        // An empty picture shows nothing and leaves the one on screen.
        preview.ShowBitmap(*TBitmap::Create(0, 0), QStringLiteral("leer.jpg"));
        QCOMPARE(preview.windowTitle(), QStringLiteral("drei.jpg [1:1]"));
        QCOMPARE(preview.Picture().size(), QSize(70, 30));
    }
};

QTEST_MAIN(PreviewTest)
#include "PreviewTest.moc"
