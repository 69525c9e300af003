#include "Screenshots.h"

#include "imaging/Jpeg.h"
#include "ui/imagelist/CategoryEditor.h"
#include "ui/imagelist/ImageListModel.h"
#include "ui/imagelist/ImageListView.h"
#include "ui/imagelist/ImagesPage.h"
#include "ui/window/Main.h"
#include "ui/window/Preview.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>

namespace korvo {

namespace {

    QPixmap Enlarged(const QPixmap& image, int factor);

    bool SavePixmap(const QPixmap& grab, const QString& folder, const QString& name)
    {
        return grab.save(QDir(folder).filePath(name + QStringLiteral(".png")))
            && Enlarged(grab, 2).save(QDir(folder).filePath(name + QStringLiteral("-x2.png")));
    }

    // The grab, and the same twice as large, where single pixels can be judged.
    bool Save(QWidget& widget, const QString& folder, const QString& name)
    {
        QCoreApplication::processEvents();
        return SavePixmap(widget.grab(), folder, name);
    }

    // A window without its frame (the virtual screen has no window manager), under a plain
    // title bar that shows its caption.
    bool SaveWindow(QWidget& window, const QString& folder, const QString& name)
    {
        QCoreApplication::processEvents();
        const QPixmap content = window.grab();
        constexpr int TitleHeight = 20;
        const int titleWidth = window.fontMetrics().horizontalAdvance(window.windowTitle()) + 12;
        QPixmap framed(std::max(content.width() + 2, titleWidth), content.height() + TitleHeight + 1);
        framed.fill(QColor(60, 60, 70));
        QPainter painter(&framed);
        painter.setPen(Qt::white);
        painter.drawText(
            QRect(6, 0, framed.width() - 12, TitleHeight), Qt::AlignVCenter | Qt::AlignLeft, window.windowTitle());
        painter.drawPixmap(1, TitleHeight, content);
        painter.end();
        return SavePixmap(framed, folder, name);
    }

    QPixmap Enlarged(const QPixmap& image, int factor)
    {
        QPixmap result(image.size() * factor);
        result.fill(QColor(200, 200, 200));
        QPainter painter(&result);
        painter.drawPixmap(result.rect(), image);
        return result;
    }

    // A landscape to fill the list with: sky, sun, two ranges of hills, water or a meadow, and
    // for some a row of houses. Fine lines in it show single pixels once the preview zooms.
    QImage PaintScene(int scene, QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const int w = size.width();
        const int h = size.height();
        const double hue = std::fmod(0.55 + scene * 0.13, 1.0);
        QLinearGradient sky(0, 0, 0, h * 0.6);
        sky.setColorAt(0, QColor::fromHsvF(float(hue), 0.7f, 0.75f));
        sky.setColorAt(1, QColor::fromHsvF(float(std::fmod(hue + 0.08, 1.0)), 0.25f, 1.0f));
        painter.fillRect(image.rect(), sky);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 230, 120));
        painter.drawEllipse(QPointF(w * (0.2 + 0.07 * (scene % 7)), h * 0.22), w * 0.06, w * 0.06);

        unsigned state = 12345u + 7919u * static_cast<unsigned>(scene);
        auto next = [&state] {
            state = state * 1103515245u + 12345u;
            return (state >> 16) % 1000 / 1000.0;
        };
        for (int range = 0; range < 2; ++range) {
            QPainterPath hills;
            const double base = h * (0.55 + 0.1 * range);
            hills.moveTo(0, h);
            for (int i = 0; i <= 8; ++i)
                hills.lineTo(w * i / 8.0, base - h * (0.1 + 0.2 * next()) / (range + 1));
            hills.lineTo(w, h);
            hills.closeSubpath();
            painter.setBrush(range == 0 ? QColor::fromHsvF(float(std::fmod(hue + 0.5, 1.0)), 0.35f, 0.55f)
                                        : QColor::fromHsvF(0.3f, 0.6f, float(0.35 + 0.2 * next())));
            painter.drawPath(hills);
        }
        if (scene % 3 == 1) {
            painter.setBrush(QColor(40, 90, 160));
            painter.drawRect(QRectF(0, h * 0.8, w, h * 0.2));
            painter.setPen(QPen(QColor(220, 235, 255), 1));
            for (int wave = 0; wave < 12; ++wave)
                painter.drawLine(
                    QPointF(w * next(), h * (0.82 + 0.16 * next())), QPointF(w * next(), h * (0.82 + 0.16 * next())));
        } else if (scene % 3 == 2) {
            for (int house = 0; house < 7; ++house) {
                const double x = w * (0.05 + house * 0.13);
                const double top = h * (0.62 + 0.08 * next());
                painter.setPen(QPen(Qt::black, 1));
                painter.setBrush(QColor::fromHsvF(float(next()), 0.4f, 0.9f));
                painter.drawRect(QRectF(x, top, w * 0.1, h - top));
                painter.setBrush(QColor(150, 40, 30));
                painter.drawPolygon(QPolygonF(
                    { QPointF(x - 3, top), QPointF(x + w * 0.05, top - h * 0.06), QPointF(x + w * 0.1 + 3, top) }));
                painter.setBrush(QColor(250, 240, 160));
                painter.drawRect(QRectF(x + w * 0.03, top + h * 0.05, w * 0.03, h * 0.04));
            }
        }
        painter.end();
        return image;
    }

    BitmapPtr ToBitmap(const QImage& image)
    {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        BitmapPtr bitmap = TBitmap::Create(rgb.width(), rgb.height());
        if (!bitmap)
            return nullptr;
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* source = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            std::uint8_t* target = bitmap->Row(y);
            for (int x = 0; x < rgb.width(); ++x) {
                target[3 * x] = static_cast<std::uint8_t>(qBlue(source[x]));
                target[3 * x + 1] = static_cast<std::uint8_t>(qGreen(source[x]));
                target[3 * x + 2] = static_cast<std::uint8_t>(qRed(source[x]));
            }
        }
        return bitmap;
    }

    // Nine pictures of different shapes, one of them a BMP file.
    QStringList WritePictures(const QString& folder)
    {
        const struct {
            const char* Name;
            QSize Size;
        } pictures[] = { { "Urlaub/strand.jpg", { 800, 600 } }, { "Urlaub/bergsee.jpg", { 640, 480 } },
            { "Urlaub/altstadt.jpg", { 600, 800 } }, { "Urlaub/gipfel.jpg", { 900, 600 } },
            { "Urlaub/hafen.jpg", { 700, 700 } }, { "Urlaub/dorf.bmp", { 400, 300 } },
            { "Urlaub/abendrot.jpg", { 1024, 683 } }, { "Urlaub/bucht.jpg", { 480, 640 } },
            { "Urlaub/marktplatz.jpg", { 800, 533 } } };
        QStringList paths;
        QDir().mkpath(QDir(folder).filePath(QStringLiteral("Urlaub")));
        int scene = 0;
        for (const auto& picture : pictures) {
            const QString path = QDir(folder).filePath(QString::fromLatin1(picture.Name));
            const QImage image = PaintScene(scene++, picture.Size);
            bool written = false;
            if (path.endsWith(QStringLiteral(".bmp"))) {
                written = image.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
            } else if (BitmapPtr bitmap = ToBitmap(image)) {
                written = EncodeJpegFile(*bitmap, QFile::encodeName(path).toStdString(), 90, false);
            }
            if (written)
                paths << path;
        }
        return paths;
    }

    // Opens a menu through `open` and saves the screen around the window and the menu while it
    // is shown; the menu is then closed without a choice.
    bool SaveMenu(TMainForm& form, const QString& folder, const QString& name, const std::function<void()>& open)
    {
        bool saved = false;
        QTimer::singleShot(300, &form, [&] {
            QWidget* menu = QApplication::activePopupWidget();
            if (menu == nullptr)
                return;
            QScreen* screen = QGuiApplication::primaryScreen();
            const QRect area = form.frameGeometry().united(menu->frameGeometry()).adjusted(-4, -4, 4, 4);
            saved = SavePixmap(screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()), folder, name);
            menu->close();
        });
        open();
        return saved;
    }

    // A point inside a click zone of a row, given from the row's left, top and right edges.
    QPoint ZonePoint(TImagesPage& page, int row, int fromLeft, int fromTop, bool fromRight)
    {
        const QRect rect = page.ImageList()->visualRect(page.Model()->index(row));
        return { fromRight ? rect.left() + rect.width() - fromLeft : rect.left() + fromLeft, rect.top() + fromTop };
    }

    bool SaveImageList(TMainForm& form, const QString& folder)
    {
        QTemporaryDir pictures;
        if (!pictures.isValid())
            return false;
        const QStringList paths = WritePictures(pictures.path());
        form.AddImageFiles(paths);

        // A list as a user would have made it: categories, descriptions, turned pictures and
        // one left out of the album.
        TImageManager& images = form.Images();
        images.AddCategory("Berge");
        images.AddCategory("Meer & Strand");
        images.AddCategory("Städte");
        const int categories[] = { 2, 1, 3, 1, 2, 0, 1, 2, 3 };
        const char* captions[] = { "Der Strand am ersten Morgen", "Spiegelglatt", "", "Auf 2.962 m",
            "Fischerboote im Hafen", "", "Abendrot über dem Tal", "Die kleine Bucht", "Markttag" };
        for (int i = 0; i < images.ImageCount() && i < 9; ++i) {
            TImageRecord& image = *images.GetImage(i);
            image.Category = categories[i];
            image.Caption = captions[i];
            image.Rotate = i == 2 ? 1 : i == 7 ? 3 : 0;
            image.Active = i != 5;
        }
        images.SortByCategory();
        TImagesPage& page = *form.ImagesPage();
        page.ProjectLoaded();
        form.ShowPage(Page::PImages);
        QItemSelectionModel* selection = page.ImageList()->selectionModel();
        selection->select(page.Model()->index(1), QItemSelectionModel::Select);
        selection->select(page.Model()->index(2), QItemSelectionModel::Select);
        form.activateWindow();
        QApplication::setActiveWindow(&form);
        page.ImageList()->setFocus();
        page.SetFocusedRow(2);
        page.CImagesClick(false);
        bool ok = Save(form, folder, QStringLiteral("8-bilderliste-gefuellt"));
        const QSize designed = form.size();
        form.resize(designed.width() + 240, designed.height() + 160);
        ok = Save(form, folder, QStringLiteral("8-bilderliste-breit")) && ok;
        form.resize(designed);
        QCoreApplication::processEvents();

        ok = SaveMenu(form, folder, QStringLiteral("9-menue-bilder"), [&] { page.BImageMenuClick(); }) && ok;
        ok = SaveMenu(form, folder, QStringLiteral("9-menue-kategorie"), [&] {
            page.CImagesMouseDown(Qt::RightButton, ZonePoint(page, 1, 110, 56, false));
        }) && ok;
        ok = SaveMenu(form, folder, QStringLiteral("9-menue-drehen"), [&] {
            page.CImagesMouseDown(Qt::RightButton, ZonePoint(page, 2, 87, 56, true));
        }) && ok;

        page.BEditCategoriesClick();
        page.CategoryEditor()->SelectRow(1);
        ok = Save(form, folder, QStringLiteral("10-kategorien-bearbeiten")) && ok;
        page.CategoryEditor()->BCatCloseClick();

        if (TPreviewForm* preview = form.PreviewForm()) {
            page.SetFocusedRow(0);
            form.MShowPreviewClick(OutputImageKind::PreviewImage);
            ok = SaveWindow(*preview, folder, QStringLiteral("11-vorschau-1zu1")) && ok;
            auto* scroller = preview->findChild<QScrollArea*>();
            preview->SetZoom(3);
            QCoreApplication::processEvents();
            scroller->horizontalScrollBar()->setValue(scroller->horizontalScrollBar()->maximum() / 3);
            scroller->verticalScrollBar()->setValue(scroller->verticalScrollBar()->maximum() / 2);
            ok = SaveWindow(*preview, folder, QStringLiteral("11-vorschau-4zu1")) && ok;
            preview->SetZoom(-1);
            ok = SaveWindow(*preview, folder, QStringLiteral("11-vorschau-1zu2")) && ok;
            page.SetFocusedRow(3);
            form.MShowPreviewClick(OutputImageKind::PreviewImage);
            ok = SaveWindow(*preview, folder, QStringLiteral("11-vorschau-hochformat")) && ok;
            page.SetFocusedRow(1);
            form.MShowPreviewClick(OutputImageKind::ThumbnailImage);
            ok = SaveWindow(*preview, folder, QStringLiteral("11-vorschau-thumbnail")) && ok;
            preview->SetZoom(4);
            QCoreApplication::processEvents();
            scroller->verticalScrollBar()->setValue(scroller->verticalScrollBar()->maximum());
            ok = SaveWindow(*preview, folder, QStringLiteral("11-vorschau-thumbnail-5zu1")) && ok;
            preview->close();
        }

        // A real run into a scratch folder: the log page then offers "Album ansehen".
        QTemporaryDir album;
        if (album.isValid()) {
            form.Config().DestDir = album.path().toStdString();
            form.BGoClick();
            ok = Save(form, folder, QStringLiteral("12-logbuch-album")) && ok;
        }
        return ok;
    }

} // namespace

bool SaveScreenshots(TMainForm& form, const QString& folder)
{
    if (!QDir().mkpath(folder))
        return false;
    // Lines of every kind, so that the log page shows its colours.
    form.Log("");
    form.Log("/Erzeuge Album aus 3 Bildern");
    form.Log("*[1/3] /home/anna/Bilder/Urlaub/strand.jpg");
    form.Log("_[2/3] Erzeuge Thumbnail: /home/anna/Album/thumb002.jpg");
    form.Log("-[3/3] Fehler: /home/anna/Bilder/Urlaub/kaputt.jpg");
    form.Log("*Thumbnail-Übersicht geschrieben");
    form.Log("+2 von 3 Bildern erfolgreich umgewandelt in 4 Sekunden");
    form.Log("");

    bool ok = true;
    const struct {
        Page Target;
        const char* Name;
    } pages[] = { { Page::PCommon, "1-allgemein" }, { Page::PImages, "2-bilderliste" }, { Page::PLog, "3-logbuch" },
        { Page::PHelp, "4-hinweise" } };
    for (const auto& page : pages) {
        form.ShowPage(page.Target);
        ok = Save(form, folder, QString::fromLatin1(page.Name)) && ok;
    }

    form.ShowPage(Page::PCommon);
    if (auto* scroller = form.findChild<QScrollArea*>(QStringLiteral("OptionsScoller"))) {
        scroller->verticalScrollBar()->setValue(scroller->verticalScrollBar()->maximum());
        ok = Save(form, folder, QStringLiteral("1-allgemein-unten")) && ok;
        scroller->verticalScrollBar()->setValue(0);
    }

    form.BeginBusy();
    form.Log("/Füge 12 Dateien hinzu");
    form.Log("*[5/12] Bild hinzugefügt: /home/anna/Bilder/Urlaub/bild005.jpg");
    ok = Save(form, folder, QStringLiteral("5-beschaeftigt")) && ok;
    form.EndBusy(Page::PLog);

    const QSize designed = form.size();
    form.ShowPage(Page::PCommon);
    form.resize(TMainForm::SmallestSize);
    ok = Save(form, folder, QStringLiteral("6-kleinste-groesse")) && ok;
    form.ShowPage(Page::PHelp);
    form.resize(designed.width() + 200, 800);
    ok = Save(form, folder, QStringLiteral("7-gross")) && ok;
    form.resize(designed);
    form.ShowPage(Page::PCommon);

    ok = SaveImageList(form, folder) && ok;
    form.ShowPage(Page::PCommon);

    const TArtwork& art = form.Artwork();
    const struct {
        const QPixmap& Image;
        const char* Name;
        int Factor;
    } images[] = { { art.LcbChecked, "art-lcb-checked", 8 }, { art.LcbUnchecked, "art-lcb-unchecked", 8 },
        { art.ArrowBlack, "art-arrow-black", 8 }, { art.ArrowWhite, "art-arrow-white", 8 },
        { art.BarPictures, "art-bar-pictures", 3 }, { art.BarGradient, "art-bar-gradient", 3 },
        { art.BarKorvo, "art-bar-korvo", 3 } };
    for (const auto& image : images)
        ok = Enlarged(image.Image, image.Factor)
                 .save(QDir(folder).filePath(QString::fromLatin1(image.Name) + QStringLiteral(".png")))
            && ok;
    const ButtonIcon icons[] = { ButtonIcon::Menu, ButtonIcon::Edit, ButtonIcon::Up, ButtonIcon::Down,
        ButtonIcon::Close, ButtonIcon::Rename, ButtonIcon::Remove, ButtonIcon::Add, ButtonIcon::Browse };
    QPixmap sheet(20 * int(std::size(icons)) + 4 + 14, 20);
    sheet.fill(Qt::white);
    {
        QPainter painter(&sheet);
        int x = 4;
        for (ButtonIcon icon : icons) {
            painter.drawPixmap(x, 2, PaintButtonIcon(icon));
            x += 20;
        }
        painter.drawPixmap(x, 6, PaintSmallArrow(true));
        painter.drawPixmap(x + 8, 6, PaintSmallArrow(false));
    }
    ok = Enlarged(sheet, 4).save(QDir(folder).filePath(QStringLiteral("art-icons.png"))) && ok;
    for (const int size : { 16, 32, 64 })
        ok = Enlarged(QPixmap::fromImage(PaintProgramIcon(size)), 256 / size)
                 .save(QDir(folder).filePath(QStringLiteral("art-program-icon-%1.png").arg(size)))
            && ok;
    return ok;
}

} // namespace korvo
