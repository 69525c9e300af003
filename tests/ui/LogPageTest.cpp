// The log page: every kind drawn in its colour on 13-pixel rows, separators that never double,
// the newest line kept in view and repainted at once, and the progress of a running operation.

#include "WindowFixture.h"

#include "support/TestPictures.h"
#include "ui/pages/LogPage.h"
#include "ui/window/AlbumOperations.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace korvo;
using namespace korvo::testing;

namespace {

// The ink of one row: the pixel that differs most from the background, or nothing for a row
// that holds only background.
std::optional<QColor> Ink(const QImage& image, int row, QColor background)
{
    std::optional<QColor> ink;
    int strongest = 0;
    for (int y = row * TLogBox::RowHeight; y < (row + 1) * TLogBox::RowHeight && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int distance = std::abs(c.red() - background.red()) + std::abs(c.green() - background.green())
                + std::abs(c.blue() - background.blue());
            if (distance > strongest) {
                strongest = distance;
                ink = c;
            }
        }
    return ink;
}

bool Near(QColor actual, int red, int green, int blue)
{
    constexpr int Slack = 24;
    return std::abs(actual.red() - red) <= Slack && std::abs(actual.green() - green) <= Slack
        && std::abs(actual.blue() - blue) <= Slack;
}

class TPaintCounter : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

} // namespace

class LogPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseProgramFont(); }

    void eachKindIsDrawnInItsColour()
    {
        TWindow w;
        w.Form->ShowPage(Page::PLog);
        auto* box = w.Find<TLogBox>("LogBox");
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        box->setPalette(palette);
        // Rows 0 and 1 hold the welcome line and its blank line.
        for (const char* line : { "*ordinary progress", "_grey detail", "-red error", "+green summary", "!red", "Erot",
                 "Rrot", "Ggruen", "Bblau", "0grau", "xplain text", "+", "x" })
            w.Form->Log(line);
        const QImage image = box->viewport()->grab().toImage();
        const QColor white(Qt::white);
        struct Expected {
            int Row;
            int Red, Green, Blue;
        };
        const Expected inks[] = { { 0, 0, 0, 255 }, { 2, 0, 0, 0 }, { 3, 128, 128, 128 }, { 4, 255, 0, 0 },
            { 5, 0, 128, 0 }, { 6, 255, 0, 0 }, { 7, 255, 0, 0 }, { 8, 255, 0, 0 }, { 9, 0, 128, 0 }, { 10, 0, 0, 255 },
            { 11, 128, 128, 128 }, { 12, 0, 0, 0 } };
        for (const Expected& expected : inks) {
            const auto ink = Ink(image, expected.Row, white);
            QVERIFY2(ink.has_value(), qPrintable(QStringLiteral("row %1").arg(expected.Row)));
            QVERIFY2(Near(*ink, expected.Red, expected.Green, expected.Blue),
                qPrintable(QStringLiteral("row %1: %2").arg(expected.Row).arg(ink->name())));
        }
        // Blank rows: the separator, a kind character alone, one ordinary character alone.
        for (int row : { 1, 13, 14 })
            QVERIFY2(!Ink(image, row, white).has_value(), qPrintable(QStringLiteral("row %1").arg(row)));
    }

    void separatorsNeverFollowEachOther()
    {
        TWindow w;
        // The welcome line already ends with a separator.
        w.Form->Log("");
        w.Form->Log("/Füge 1 Dateien hinzu");
        w.Form->Log("");
        w.Form->Log("");
        const std::vector<std::string> expected { "/Willkommen in Korvo2 Version 2.0.1.1", "", "/Füge 1 Dateien hinzu",
            "" };
        QCOMPARE(w.Form->RunLog().Lines(), expected);
    }

    void newestLineIsCurrentAndInView()
    {
        // Outside an operation each line shows at once; the lines of a running one (shown in steps)
        // all show by its end.
        for (const bool busy : { false, true }) {
            TWindow w;
            w.Form->ShowPage(Page::PLog);
            const auto logLines = [&](IOperationHost& host) {
                host.BeginBusy();
                for (int i = 1; i <= 300; ++i) {
                    host.Log("*[" + std::to_string(i) + "/300] Zeile");
                    host.ProcessEvents();
                }
                host.EndBusy(Page::PLog);
            };
            if (busy) {
                w.Operations->OnRunAlbum = logLines;
                w.Find<QPushButton>("BGo")->click();
            } else {
                for (int i = 1; i <= 300; ++i)
                    w.Form->Log("*[" + std::to_string(i) + "/300] Zeile");
            }
            auto* box = w.Find<TLogBox>("LogBox");
            const int count = static_cast<int>(w.Form->RunLog().Lines().size());
            QVERIFY(count > 300);
            QCOMPARE(box->CurrentLine(), count - 1);
            QCOMPARE(box->verticalScrollBar()->value(), box->verticalScrollBar()->maximum());
            const int visibleRows = box->viewport()->height() / TLogBox::RowHeight;
            QVERIFY(box->FirstVisibleLine() >= count - visibleRows - 1);
            QCOMPARE(box->verticalScrollBar()->maximum(), count * TLogBox::RowHeight - box->viewport()->height());
        }
    }

    void logRepaintsAtOnceWhileVisible()
    {
        TWindow w;
        auto* box = w.Find<TLogBox>("LogBox");
        TPaintCounter counter;
        box->viewport()->installEventFilter(&counter);
        // Not shown: nothing is painted.
        w.Form->Log("*unsichtbar");
        QCOMPARE(counter.Paints, 0);
        w.Form->ShowPage(Page::PLog);
        QCoreApplication::processEvents();
        const int before = counter.Paints;
        // No event loop runs between these lines, as during an operation.
        w.Form->Log("*eins");
        QCOMPARE(counter.Paints, before + 1);
        w.Form->Log("*zwei");
        QCOMPARE(counter.Paints, before + 2);
    }

    void itemPositionsAreReadFromTheMessage()
    {
        auto position = [](const char* message) { return ParseItemPosition(message); };
        QCOMPARE(position("*[3/10] /home/anna/bild.jpg")->Index, 3);
        QCOMPARE(position("*[3/10] /home/anna/bild.jpg")->Count, 10);
        QCOMPARE(position("-[12/12] Fehler beim Hinzufügen: x")->Index, 12);
        QVERIFY(!position("*Thumbnail-Übersicht geschrieben"));
        QVERIFY(!position("/Erzeuge Album aus 3 Bildern"));
        QVERIFY(!position("*[a/3] x"));
        QVERIFY(!position("*[4/3] x"));
        QVERIFY(!position("*[0/3] x"));
        QVERIFY(!position("*[3/] x"));
        QVERIFY(!position("[1/2]"));
        QVERIFY(!position(""));
    }

    void progressBarFollowsTheRunningOperation()
    {
        TWindow w;
        auto* progress = w.Find<QProgressBar>("POperationProgress");
        QVERIFY(!progress->isVisible());
        w.Operations->OnRunAlbum = [&](IOperationHost& host) {
            host.BeginBusy();
            QVERIFY(progress->isVisible());
            QCOMPARE(progress->value(), 0);
            host.Log("/Erzeuge Album aus 10 Bildern");
            host.Log("*[3/10] /home/anna/bild3.jpg");
            QCOMPARE(progress->maximum(), 10);
            QCOMPARE(progress->value(), 3);
            host.Log("-[4/10] Fehler: /home/anna/bild4.jpg");
            QCOMPARE(progress->value(), 4);
            host.EndBusy(Page::PLog);
        };
        w.Find<QPushButton>("BGo")->click();
        QVERIFY(!progress->isVisible());
        // Outside an operation positions move nothing.
        w.Form->Log("*[5/10] spät");
        QCOMPARE(progress->value(), 0);
    }

    void copyingTakesTheTextAsShown()
    {
        TWindow w;
        w.Form->ShowPage(Page::PLog);
        w.Form->Log("-[1/1] Fehler beim Hinzufügen: /tmp/ä.jpg");
        auto* box = w.Find<TLogBox>("LogBox");
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("[1/1] Fehler beim Hinzufügen: /tmp/ä.jpg"));
        QTest::mouseClick(box->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 5));
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Willkommen in Korvo2 Version 2.0.1.1"));
        QCOMPARE(box->CopyText(true),
            QStringLiteral("Willkommen in Korvo2 Version 2.0.1.1\n\n[1/1] Fehler beim Hinzufügen: /tmp/ä.jpg"));
    }

    void failuresAndDamageAreExplainedUnderTheirLines()
    {
        // A picture cut short is added and made into the album, each time with its damage; a
        // missing one fails with its reason.
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString();
        std::vector<std::uint8_t> cut = MakeJpeg(64, 48);
        cut.resize(cut.size() - 16);
        WriteBytes(folder + "/cut.jpg", cut);
        TFakePlatform platform;
        TMainForm form(platform.Services(), MakeCoreOperations());
        form.Config().DestDir = folder + "/album";
        form.show();
        form.OpenFiles({ dir.filePath(QStringLiteral("cut.jpg")), dir.filePath(QStringLiteral("gone.jpg")) });
        QTRY_VERIFY(form.RunLog().Lines().size() > 8 && !form.Busy());
        form.findChild<QPushButton*>(QStringLiteral("BGo"))->click();
        QVERIFY(!form.Busy());
        const QStringList shown
            = form.findChild<TLogBox*>(QStringLiteral("LogBox"))->CopyText(true).split(QLatin1Char('\n'));
        const QString damage = QStringLiteral("Bild beschädigt: Datei ist unvollständig");
        const QString cutPath = dir.filePath(QStringLiteral("cut.jpg"));
        auto follows = [&](const QString& line, const QString& next) {
            const qsizetype at = shown.indexOf(line);
            return at >= 0 && at + 1 < shown.size() && shown[at + 1] == next;
        };
        QVERIFY(follows(QStringLiteral("[1/2] Bild hinzugefügt: ") + cutPath, damage));
        QVERIFY(follows(QStringLiteral("[2/2] Fehler beim Hinzufügen: ") + dir.filePath(QStringLiteral("gone.jpg")),
            QStringLiteral("Datei nicht gefunden")));
        QVERIFY(follows(QStringLiteral("[1/1] ") + cutPath, damage));
        QCOMPARE(shown.count(damage), 2);
    }

    void verboseBoxIsTheViewOfItsSetting()
    {
        TWindow w;
        auto* verbose = w.Find<QCheckBox>("CVerbose");
        QCOMPARE(verbose->text(), QStringLiteral("-v"));
        QVERIFY(!verbose->isChecked());
        verbose->click();
        QVERIFY(w.Config().Verbose);
        verbose->click();
        QVERIFY(!w.Config().Verbose);
        QCOMPARE(w.Find<QPushButton>("BAbortOp")->text(), QStringLiteral("Vorgang abbrechen"));
    }
};

QTEST_MAIN(LogPageTest)
#include "LogPageTest.moc"
