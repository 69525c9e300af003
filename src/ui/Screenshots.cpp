#include "ui/Screenshots.h"

#include "ui/Main.h"

#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>

namespace korvo {

namespace {

    QPixmap Enlarged(const QPixmap& image, int factor);

    // The grab, and the same twice as large, where single pixels can be judged.
    bool Save(QWidget& widget, const QString& folder, const QString& name)
    {
        QCoreApplication::processEvents();
        const QPixmap grab = widget.grab();
        return grab.save(QDir(folder).filePath(name + QStringLiteral(".png")))
            && Enlarged(grab, 2).save(QDir(folder).filePath(name + QStringLiteral("-x2.png")));
    }

    QPixmap Enlarged(const QPixmap& image, int factor)
    {
        QPixmap result(image.size() * factor);
        result.fill(QColor(200, 200, 200));
        QPainter painter(&result);
        painter.drawPixmap(result.rect(), image);
        return result;
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
    return ok;
}

} // namespace korvo
