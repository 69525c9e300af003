// Timed runs of the image list page with many pictures, to run by hand (not part of the test
// suite: their figures depend on the machine).
//
// Without a project it fills the list with 5,000 entries that have list pictures, then times
// what a user does with a long list: showing it, scrolling through it, selecting all, sorting,
// moving and deleting a scattered selection, and the check for unsaved work that follows every
// change (the whole project text built and compared).
//
// With --project it opens the program's own window (real operations, the acquisition cache of
// $XDG_CACHE_HOME) and loads the project as "Laden" does, then reports the time until the list
// holds every picture and has painted them, and the longest time the window's event loop did
// not run meanwhile (how long a click would wait at most).
//
//   QT_QPA_PLATFORM=offscreen build/bin/korvo2-list-timing [count]
//   QT_QPA_PLATFORM=offscreen build/bin/korvo2-list-timing --project FILE.kv2 [rounds]

#include "ImageListFixture.h"
#include "ui/window/ProgramWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

using namespace korvo;
using namespace korvo::testing;

namespace {

void Time(const char* what, const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    QCoreApplication::processEvents();
    std::printf("%-52s %8.1f ms\n", what, static_cast<double>(timer.nsecsElapsed()) / 1e6);
}

// Scrolls from the top to the bottom a page at a time, painting every page as the screen would.
void ScrollThrough(TListWindow& w)
{
    QScrollBar* bar = w.List()->verticalScrollBar();
    for (int value = 0; value <= bar->maximum(); value += bar->pageStep()) {
        bar->setValue(value);
        w.Viewport()->repaint();
    }
    bar->setValue(0);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

int TimeProjectLoad(const QString& project, int rounds)
{
    TProgramWindow window;
    TMainForm& form = window.Form();
    form.show();
    QCoreApplication::processEvents();
    TImageListView* list = form.ImagesPage()->ImageList();
    std::vector<double> loads;
    std::vector<double> pauses;
    int rows = 0;
    for (int round = 0; round < rounds; ++round) {
        // A timer that fires whenever the event loop runs tells the longest stretch without it.
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        clock.start();
        ticker.start();
        form.OpenFiles({ project });
        form.ShowPage(Page::PImages);
        list->viewport()->repaint();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        longest = std::max(longest, clock.elapsed() - last);
        ticker.stop();
        rows = form.ImagesPage()->Model()->rowCount();
        std::printf("round %d: %d rows shown after %.3f s, event loop still for at most %lld ms\n", round + 1, rows,
            seconds, static_cast<long long>(longest));
        loads.push_back(seconds);
        pauses.push_back(static_cast<double>(longest));
        form.ShowPage(Page::PCommon);
    }
    std::printf("median of %d: %.3f s until %d rows shown, longest pause %.0f ms\n", rounds, Median(loads), rows,
        Median(pauses));
    return rows > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc > 2 && std::strcmp(argv[1], "--project") == 0)
        return TimeProjectLoad(QString::fromLocal8Bit(argv[2]), argc > 3 ? std::max(1, std::atoi(argv[3])) : 3);
    UseProgramFont();
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;

    TListWindow w;
    std::mt19937 random(42);
    w.Images().AddCategory("Berge");
    w.Images().AddCategory("Meer");
    w.Images().AddCategory("Stadt");
    for (int i = 0; i < count; ++i) {
        const std::string name = "bild" + std::to_string(random() % 100000) + ".jpg";
        TImageRecord& image = AddPicture(w.Images(), name, static_cast<int>(random() % 4),
            QColor::fromHsv(static_cast<int>(random() % 360), 160, 200), 40000.0 + random() % 2000,
            40000.0 + random() % 2000);
        image.Source = "/home/anna/Bilder/Urlaub " + std::to_string(random() % 12) + "/" + name;
        image.Caption = "Beschreibung " + std::to_string(i);
    }
    std::printf("%d pictures, list %dx%d pixels\n", count, w.Viewport()->width(), w.Viewport()->height());

    Time("show the list (sort by category, rows, paint)", [&] {
        w.ShowList();
        w.Viewport()->repaint();
    });
    Time("check for unsaved work (after one description)", [&] {
        w.Images().GetImage(0)->Caption += "!";
        w.Form->HasUnsavedChanges();
    });
    Time("scroll top to bottom, page by page (first time)", [&] { ScrollThrough(w); });
    Time("scroll top to bottom again (pictures converted)", [&] { ScrollThrough(w); });
    Time("drag the scroll bar to the end and back", [&] {
        QScrollBar* bar = w.List()->verticalScrollBar();
        bar->setValue(bar->maximum());
        w.Viewport()->repaint();
        bar->setValue(0);
        w.Viewport()->repaint();
    });
    Time("select all (Ctrl+A) and paint", [&] {
        w.Key(Qt::Key_A, Qt::ControlModifier);
        w.Viewport()->repaint();
    });
    Time("check box on all selected rows (right click)", [&] { w.Click(w.CheckBox(0), Qt::RightButton); });
    Time("move all selected down (Ctrl+Down)", [&] { w.Key(Qt::Key_Down, Qt::ControlModifier); });
    Time("sort by name (menu)", [&] {
        w.Platform.Menus.Choices = { QStringLiteral("nach &Name sortieren") };
        w.Find<QPushButton>("BImageMenu")->click();
    });
    Time("sort by capture date (menu)", [&] {
        w.Platform.Menus.Choices = { QStringLiteral("nach &Aufnahmedatum sortieren") };
        w.Find<QPushButton>("BImageMenu")->click();
    });
    // Every third picture selected: a scattered selection of many short runs. (Made anew for
    // each use, since a selection does not outlive the rows it was made on.)
    auto selectScattered = [&] {
        QItemSelection scattered;
        for (int row = 0; row < w.Model()->rowCount(); row += 3)
            scattered.select(w.Model()->index(row), w.Model()->index(row));
        w.List()->selectionModel()->select(scattered, QItemSelectionModel::ClearAndSelect);
    };
    Time("select every third row", selectScattered);
    Time("move the scattered selection up (Ctrl+Up)", [&] { w.Key(Qt::Key_Up, Qt::ControlModifier); });
    Time("move the scattered selection down (button)", [&] { w.Find<QPushButton>("BImageDown")->click(); });
    Time("category menu: put the selection into Meer", [&] {
        w.Platform.Menus.Choices = { QStringLiteral("Meer") };
        w.Click(w.CategoryArrow(0), Qt::RightButton);
    });
    Time("show one category (drop-down)", [&] {
        w.Category()->setCurrentIndex(3);
        w.ImagesPage.CCategoryChange();
        w.Viewport()->repaint();
    });
    Time("show all again", [&] {
        w.Category()->setCurrentIndex(0);
        w.ImagesPage.CCategoryChange();
        w.Viewport()->repaint();
    });
    selectScattered();
    Time("delete the scattered selection (Delete)", [&] { w.Key(Qt::Key_Delete); });
    std::printf("%d pictures left\n", w.Images().ImageCount());
    return 0;
}
