// The image list page: its rows and their drawing, the click zones with every button on one and
// on many selected rows, the category, rotation and page menus, new categories, sorting,
// deleting and moving with the focus where it belongs, the description keys, adding files,
// emptying the list, the refreshes after adding files and loading a project, and missing
// pictures.

#include "ImageListFixture.h"

#include "ui/imagelist/ImageRowDelegate.h"

#include <QAbstractItemModelTester>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

#include <cmath>

using namespace korvo;
using namespace korvo::testing;

namespace {

// Five pictures a to e in one category of three: a, b without a category, c, d, e in Meer.
void FillFive(TListWindow& w)
{
    w.Images().AddCategory("Berge");
    w.Images().AddCategory("Meer");
    w.Images().AddCategory("Stadt");
    for (const char* name : { "a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg" })
        AddPicture(w.Images(), name, name[0] >= 'c' ? 2 : 0);
    w.ShowList();
}

QImage RenderRow(TListWindow& w, int row)
{
    QImage image(w.Viewport()->size(), QImage::Format_RGB32);
    w.Viewport()->render(&image);
    return image.copy(w.Row(row));
}

} // namespace

class ImagesPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseProgramFont(); }

    void pageHasItsControls()
    {
        TListWindow w;
        QCOMPARE(w.Find<QPushButton>("BImageMenu")->text(), QStringLiteral("Menü"));
        QCOMPARE(w.Find<QPushButton>("BEditCategories")->text(), QStringLiteral("Bearbeiten"));
        for (const char* name : { "BImageMenu", "BEditCategories", "BImageUp", "BImageDown" })
            QCOMPARE(w.Widget(name)->focusPolicy(), Qt::NoFocus);
        QCOMPARE(w.Widget("BImageUp")->size(), QSize(17, 21));
        QCOMPARE(w.Widget("BImageDown")->size(), QSize(17, 21));
        QCOMPARE(w.Category()->count(), 2);
        QCOMPARE(w.Category()->itemText(0), QStringLiteral("(alle)"));
        QCOMPARE(w.Category()->itemText(1), QStringLiteral("(nicht zugeordnet)"));
        QCOMPARE(w.List()->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(w.List()->objectName(), QStringLiteral("CImages"));
        QVERIFY(w.Widget("PCatEdit")->isHidden());
        // Everything lies right of the logo strip.
        for (const char* name : { "BImageMenu", "CImages", "LComment" })
            QVERIFY(w.Widget(name)->mapTo(w.Widget("PImages"), QPoint(0, 0)).x() >= 52);

        FillFive(w);
        QCOMPARE(w.Category()->count(), 5);
        QCOMPARE(w.Category()->itemText(3), QStringLiteral("Meer"));
        // Choosing an entry shows that category: entry e stands for ViewCategory e − 1.
        w.Category()->setFocus();
        w.Category()->setCurrentIndex(2);
        QTest::keyClick(w.Category(), Qt::Key_Down);
        QCOMPARE(w.Images().ViewCategory(), 2);
        QCOMPARE(
            w.RowNames(), (QStringList { QStringLiteral("c.jpg"), QStringLiteral("d.jpg"), QStringLiteral("e.jpg") }));
        QTest::keyClick(w.Category(), Qt::Key_Home);
        QCOMPARE(w.Images().ViewCategory(), -1);
        QCOMPARE(w.Model()->rowCount(), 5);
        QCOMPARE(w.Row(0).height(), 80);
        QCOMPARE(w.Row(0).width(), w.Viewport()->width());
        QCOMPARE(w.Row(1).top(), 80);
    }

    void modelServesItsRowsByRole()
    {
        TImageManager images;
        images.AddCategory("Berge");
        AddPicture(images, "a.jpg", 0).Rotate = 3;
        AddPicture(images, "b.jpg", 1).Caption = "Gipfel & Grat";
        TImageListModel model(images);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.Reload();
        QCOMPARE(model.rowCount(), 2);
        const QModelIndex b = model.index(1);
        QCOMPARE(b.data(TImageListModel::FileNameRole).toString(), QStringLiteral("b.jpg"));
        QCOMPARE(b.data(TImageListModel::SourceRole).toString(), QStringLiteral("/bilder/b.jpg"));
        QCOMPARE(b.data(TImageListModel::CategoryNameRole).toString(), QStringLiteral("Berge"));
        QCOMPARE(b.data(TImageListModel::CaptionRole).toString(), QStringLiteral("Gipfel & Grat"));
        QCOMPARE(model.index(0).data(TImageListModel::RotationNameRole).toString(), QStringLiteral("90° nach links"));
        QCOMPARE(
            model.index(0).data(TImageListModel::CategoryNameRole).toString(), QStringLiteral("(nicht zugeordnet)"));

        // Only the shown category; rows that no longer exist answer nothing.
        images.SetViewCategory(1);
        model.Reload();
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.ImageAt(0), 1);
        images = TImageManager();
        QVERIFY(!model.index(0).data(TImageListModel::FileNameRole).isValid());
        model.Reload();
        QCOMPARE(model.rowCount(), 0);

        // More rows than a two-character row code could tell apart.
        for (int i = 0; i < 17000; ++i)
            images.AddImage().FileName = std::to_string(i);
        model.Reload();
        QCOMPARE(model.rowCount(), 17000);
        QCOMPARE(model.index(16390).data(TImageListModel::FileNameRole).toString(), QStringLiteral("16390"));
        QCOMPARE(model.RowOf(16999), 16999);
    }

    void listPicturesAreConvertedOnce()
    {
        TImageManager images;
        AddPicture(images, "a.jpg", 0, QColor(200, 30, 10));
        TImageListModel model(images);
        model.Reload();
        const auto first = model.index(0).data(TImageListModel::PictureRole).value<QPixmap>();
        const auto second = model.index(0).data(TImageListModel::PictureRole).value<QPixmap>();
        QCOMPARE(first.size(), QSize(106, 80));
        QCOMPARE(first.cacheKey(), second.cacheKey());
        QCOMPARE(first.toImage().pixel(50, 40), qRgb(200, 30, 10));
        // A turned entry shows its picture standing: a portrait between white margins.
        images.GetImage(0)->Rotate = 1;
        const QImage turned = model.index(0).data(TImageListModel::PictureRole).value<QPixmap>().toImage();
        QCOMPARE(turned.pixel(5, 40), qRgb(255, 255, 255));
        QCOMPARE(turned.pixel(53, 40), qRgb(200, 30, 10));
        images.GetImage(0)->Rotate = 0;
        // After a replacement the picture is made anew from the entry now in the list.
        images = TImageManager();
        AddPicture(images, "a.jpg", 0, QColor(10, 200, 30));
        model.ForgetPictures();
        model.Reload();
        QCOMPARE(model.index(0).data(TImageListModel::PictureRole).value<QPixmap>().toImage().pixel(50, 40),
            qRgb(10, 200, 30));
        // An entry without a list picture has none to show.
        images.GetImage(0)->ListPicture.reset();
        model.ForgetPictures();
        QVERIFY(model.index(0).data(TImageListModel::PictureRole).value<QPixmap>().isNull());
    }

    void rowsAreDrawnAsLaidOut()
    {
        TListWindow w;
        AddPicture(w.Images(), "a.jpg", 0, QColor(200, 30, 10));
        AddPicture(w.Images(), "b.jpg", 0, QColor(10, 30, 200)).Active = false;
        w.ShowList();
        w.Select({ 1 });
        w.Form->activateWindow();
        QCoreApplication::processEvents();
        const QImage plain = RenderRow(w, 0);
        const QImage selected = RenderRow(w, 1);
        const int R = plain.width();
        const QPalette palette = w.List()->palette();

        // The picture fills the left 106 × 80 pixels.
        QCOMPARE(plain.pixel(0, 0), qRgb(200, 30, 10));
        QCOMPARE(plain.pixel(105, 79), qRgb(200, 30, 10));
        // b.jpg is inactive: its picture is dimmed over the selection colour.
        const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
        const QColor dimmed = selected.pixelColor(50, 40);
        const double opacity = TImageRowDelegate::InactiveOpacity;
        QVERIFY(std::abs(dimmed.blue() - (opacity * 200 + (1 - opacity) * highlight.blue())) < 2);
        QVERIFY(std::abs(dimmed.red() - (opacity * 10 + (1 - opacity) * highlight.red())) < 2);
        // The grey band from L + 106 to R over the top 16 pixels, on any row.
        // (The focus frame may lie on the outermost pixels of the row.)
        for (const QImage* row : { &plain, &selected }) {
            QCOMPARE(row->pixel(106, 1), qRgb(224, 224, 224));
            QCOMPARE(row->pixel(R - 95, 15), qRgb(224, 224, 224));
            QCOMPARE(row->pixel(R - 2, 8), qRgb(224, 224, 224));
        }
        QCOMPARE(plain.pixel(R - 95, 16), palette.color(QPalette::Base).rgb());
        QCOMPARE(selected.pixel(R - 95, 16), palette.color(QPalette::Active, QPalette::Highlight).rgb());
        QCOMPARE(selected.pixel(R - 95, 78), palette.color(QPalette::Active, QPalette::Highlight).rgb());
        // The check boxes as drawn by the artwork at (L + 108, T + 1).
        const QImage checked = w.Form->Artwork().LcbChecked.toImage();
        const QImage unchecked = w.Form->Artwork().LcbUnchecked.toImage();
        for (int y = 1; y < 12; ++y)
            for (int x = 1; x < 12; ++x) {
                QCOMPARE(plain.pixel(108 + x, 1 + y), checked.pixel(x, y));
                QCOMPARE(selected.pixel(108 + x, 1 + y), unchecked.pixel(x, y));
            }
        // The arrows: black on a plain row, white on a selected one; 5 × 3 at (L + 109, T + 54)
        // and at (R − 89, T + 54).
        for (int x : { 109, R - 89 }) {
            QCOMPARE(plain.pixel(x + 2, 56), qRgb(0, 0, 0));
            QCOMPARE(plain.pixel(x, 54), qRgb(0, 0, 0));
            QCOMPARE(plain.pixel(x, 55), palette.color(QPalette::Base).rgb());
            QCOMPARE(selected.pixel(x + 2, 56), qRgb(255, 255, 255));
        }
    }

    void leftAndRightClicksOnTheCheckBox()
    {
        TListWindow w;
        FillFive(w);
        w.Select({ 1, 2, 3 });
        QCOMPARE(w.SelectedRows(), (QList<int> { 1, 2, 3 }));

        // A right click leaves the selection alone and acts on all selected rows.
        w.Click(w.CheckBox(2), Qt::RightButton);
        QCOMPARE(w.SelectedRows(), (QList<int> { 1, 2, 3 }));
        for (const char* name : { "b.jpg", "c.jpg", "d.jpg" })
            QVERIFY(!w.Image(name).Active);
        QVERIFY(w.Image("a.jpg").Active);
        // Also on an unselected row: the clicked row decides the new value, the selection gets it.
        w.Image("e.jpg").Active = false;
        w.Click(w.CheckBox(4), Qt::RightButton);
        for (const char* name : { "b.jpg", "c.jpg", "d.jpg" })
            QVERIFY(w.Image(name).Active);
        QVERIFY(!w.Image("e.jpg").Active);
        w.Click(w.CheckBox(0), Qt::MiddleButton);
        QVERIFY(!w.Image("b.jpg").Active);
        QVERIFY(w.Image("a.jpg").Active);

        // A plain left click selects the clicked row alone, then acts on it.
        w.Click(w.CheckBox(2));
        QCOMPARE(w.SelectedRows(), QList<int> { 2 });
        QVERIFY(w.Image("c.jpg").Active);
        QVERIFY(!w.Image("b.jpg").Active && !w.Image("d.jpg").Active);

        // The zone's edges: from L + 106 to L + 123 and from T to T + 15.
        const QPoint corner = w.Row(2).topLeft();
        w.Click(corner + QPoint(105, 5), Qt::RightButton);
        w.Click(corner + QPoint(124, 5), Qt::RightButton);
        w.Click(corner + QPoint(110, 16), Qt::RightButton);
        QVERIFY(w.Image("c.jpg").Active);
        w.Click(corner + QPoint(106, 0), Qt::RightButton);
        QVERIFY(!w.Image("c.jpg").Active);
        w.Click(corner + QPoint(123, 15), Qt::RightButton);
        QVERIFY(w.Image("c.jpg").Active);
    }

    void selectionFollowsThePlatformsRules()
    {
        TListWindow w;
        FillFive(w);
        w.Click(w.Blank(1));
        w.Click(w.Blank(3), Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(w.SelectedRows(), (QList<int> { 1, 2, 3 }));
        w.Click(w.Blank(2), Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(w.SelectedRows(), (QList<int> { 1, 3 }));
        QCOMPARE(w.ImagesPage.FocusedRow(), 2);
        // A right click neither selects nor moves the focus.
        w.Click(w.Blank(4), Qt::RightButton);
        QCOMPARE(w.SelectedRows(), (QList<int> { 1, 3 }));
        QCOMPARE(w.ImagesPage.FocusedRow(), 2);
        w.Key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w.SelectedRows(), (QList<int> { 0, 1, 2, 3, 4 }));
        // Making a row the focus row by program leaves the selection as it is.
        w.ImagesPage.SetFocusedRow(0);
        QCOMPARE(w.SelectedRows().size(), 5);
        QCOMPARE(w.ImagesPage.FocusedImage(), 0);
    }

    void categoryMenuWithoutCategories()
    {
        TListWindow w;
        for (const char* name : { "a.jpg", "b.jpg", "c.jpg" })
            AddPicture(w.Images(), name);
        w.ShowList();
        w.Click(w.CategoryArrow(1));
        QCOMPARE(w.Platform.Menus.Menus.size(), std::size_t(1));
        const TScriptedMenus::Shown& empty = w.Platform.Menus.Menus.back();
        QCOMPARE(empty.Name, QStringLiteral("CategoryMenu"));
        QCOMPARE(empty.Entries,
            (QStringList {
                QStringLiteral("(nicht zugeordnet)"), QStringLiteral("-"), QStringLiteral("Neue Kategorie …") }));
        QCOMPARE(empty.Checked, QStringList { QStringLiteral("(nicht zugeordnet)") });
        QCOMPARE(empty.Position, w.Viewport()->mapToGlobal(w.Row(1).topLeft() + QPoint(106, 64)));
    }

    void categoryMenuAppliesToTheSelection()
    {
        TListWindow w;
        FillFive(w);
        w.Select({ 0, 1 });
        // The zone runs from L + 106 to L + 117 and from T + 48 to T + 63.
        const QPoint corner = w.Row(2).topLeft();
        w.Click(corner + QPoint(118, 50), Qt::RightButton);
        w.Click(corner + QPoint(110, 47), Qt::RightButton);
        w.Click(corner + QPoint(110, 64), Qt::RightButton);
        w.Click(corner + QPoint(105, 50), Qt::RightButton);
        QVERIFY(w.Platform.Menus.Menus.empty());
        // The menu of row 2 (c.jpg in Meer, not selected) shows its category; the choice goes to
        // the selected a.jpg and b.jpg, which move behind the pictures of their new category.
        w.Platform.Menus.Choices = { QStringLiteral("Stadt") };
        w.Click(corner + QPoint(117, 63), Qt::RightButton);
        const TScriptedMenus::Shown& menu = w.Platform.Menus.Menus.back();
        QCOMPARE(menu.Entries,
            (QStringList { QStringLiteral("(nicht zugeordnet)"), QStringLiteral("Berge"), QStringLiteral("Meer"),
                QStringLiteral("Stadt"), QStringLiteral("-"), QStringLiteral("Neue Kategorie …") }));
        QCOMPARE(menu.Checked, QStringList { QStringLiteral("Meer") });
        QCOMPARE(w.Image("a.jpg").Category, 3);
        QCOMPARE(w.Image("b.jpg").Category, 3);
        // The list stays in category order; the rows are rebuilt without a selection and the
        // focus rests on the first picture after the former selection.
        QCOMPARE(w.RowNames().join(u' '), QStringLiteral("c.jpg d.jpg e.jpg a.jpg b.jpg"));
        QVERIFY(w.SelectedRows().isEmpty());
        QCOMPARE(w.Images().GetImage(w.ImagesPage.FocusedImage())->FileName, std::string("c.jpg"));
        QCOMPARE(QString::fromStdString(w.ImagesPage.AnchorSource()), QStringLiteral("/bilder/c.jpg"));

        // A name with an ampersand is shown as it is, not as an access key.
        w.Images().SetCategoryName(1, "Berg & Tal");
        w.Click(w.CategoryArrow(0), Qt::RightButton);
        QCOMPARE(w.Platform.Menus.Menus.back().Entries[1], QStringLiteral("Berg && Tal"));
    }

    void newCategoryFromTheMenu()
    {
        TListWindow w;
        FillFive(w);
        w.Category()->setCurrentIndex(1);
        w.ImagesPage.CCategoryChange();
        w.Select({ 0 });

        // An empty answer, or Cancel, changes nothing.
        w.Platform.Menus.Choices = { QStringLiteral("Neue Kategorie …") };
        w.Platform.Boxes.InputAnswer = QString();
        w.Click(w.CategoryArrow(0));
        QCOMPARE(w.Platform.Boxes.Inputs,
            QStringList { QStringLiteral("Kategorie hinzufügen|Name für die neue Kategorie:|") });
        QCOMPARE(w.Images().CategoryCount(), 3);
        QCOMPARE(w.Image("a.jpg").Category, 0);
        w.Platform.Menus.Choices = { QStringLiteral("Neue Kategorie …") };
        w.Platform.Boxes.InputAnswer.reset();
        w.Click(w.CategoryArrow(0));
        QCOMPARE(w.Images().CategoryCount(), 3);

        // A name makes the last category, moves the selection into it, keeps the shown category.
        w.Platform.Menus.Choices = { QStringLiteral("Neue Kategorie …") };
        w.Platform.Boxes.InputAnswer = QStringLiteral("Wald");
        w.Click(w.CategoryArrow(0));
        QCOMPARE(w.Images().CategoryCount(), 4);
        QCOMPARE(w.Images().GetCategoryName(4), std::string("Wald"));
        QCOMPARE(w.Image("a.jpg").Category, 4);
        QCOMPARE(w.Image("b.jpg").Category, 0);
        QCOMPARE(w.Category()->count(), 6);
        QCOMPARE(w.Category()->itemText(5), QStringLiteral("Wald"));
        QCOMPARE(w.Category()->currentIndex(), 1);
        QCOMPARE(w.RowNames(), QStringList { QStringLiteral("b.jpg") });
        QCOMPARE(w.ListNames().last(), QStringLiteral("a.jpg"));
    }

    void rotationMenuActsOnTheSelectionBeforeTheClick()
    {
        TListWindow w;
        FillFive(w);
        w.Image("e.jpg").Rotate = 2;
        w.Select({ 0, 1 });
        w.Platform.Menus.Choices = { QStringLiteral("90° nach links (gegen UZS)") };
        w.Click(w.RotationArrow(4), Qt::RightButton);
        const TScriptedMenus::Shown& menu = w.Platform.Menus.Menus.back();
        QCOMPARE(menu.Name, QStringLiteral("RotationMenu"));
        QCOMPARE(menu.Entries,
            (QStringList { QStringLiteral("nicht drehen"), QStringLiteral("90° nach rechts (im UZS)"),
                QStringLiteral("90° nach links (gegen UZS)"), QStringLiteral("180°") }));
        QCOMPARE(menu.Checked, QStringList { QStringLiteral("180°") });
        const QRect row = w.Row(4);
        QCOMPARE(menu.Position, w.Viewport()->mapToGlobal(QPoint(row.left() + row.width() - 91, row.top() + 64)));
        QCOMPARE(w.Image("a.jpg").Rotate, 3);
        QCOMPARE(w.Image("b.jpg").Rotate, 3);
        QCOMPARE(w.Image("e.jpg").Rotate, 2);
        // Nothing is re-sorted and the selection stays.
        QCOMPARE(w.SelectedRows(), (QList<int> { 0, 1 }));
        QCOMPARE(
            w.Model()->index(0).data(TImageListModel::RotationNameRole).toString(), QStringLiteral("90° nach links"));

        // A left click on the arrow selects the row first; the zone ends before R − 80.
        w.Platform.Menus.Choices = { QStringLiteral("90° nach rechts (im UZS)") };
        w.Click(w.RotationArrow(4));
        QCOMPARE(w.Image("e.jpg").Rotate, 1);
        const std::size_t shown = w.Platform.Menus.Menus.size();
        w.Click(QPoint(row.left() + row.width() - 80, row.top() + 50), Qt::RightButton);
        w.Click(QPoint(row.left() + row.width() - 92, row.top() + 50), Qt::RightButton);
        QCOMPARE(w.Platform.Menus.Menus.size(), shown);
        // Closing the menu without a choice changes nothing.
        w.Click(w.RotationArrow(4), Qt::RightButton);
        QCOMPARE(w.Image("e.jpg").Rotate, 1);
    }

    void pageMenuSorts()
    {
        TListWindow w;
        w.Images().AddCategory("Meer");
        // The names sort by full path with a to z taken as A to Z; the dates the other way round.
        AddPicture(w.Images(), "Delta.jpg", 1, Qt::blue, 1, 9);
        AddPicture(w.Images(), "charlie.jpg", 0, Qt::blue, 2, 8);
        AddPicture(w.Images(), "bravo.jpg", 1, Qt::blue, 3, 7);
        AddPicture(w.Images(), "alpha.jpg", 0, Qt::blue, 4, 6);
        AddPicture(w.Images(), "Echo.jpg", 1, Qt::blue, 5, 5);
        w.ShowList();
        QCOMPARE(w.ListNames(),
            (QStringList { QStringLiteral("charlie.jpg"), QStringLiteral("alpha.jpg"), QStringLiteral("Delta.jpg"),
                QStringLiteral("bravo.jpg"), QStringLiteral("Echo.jpg") }));

        w.Find<QPushButton>("BImageMenu")->click();
        const TScriptedMenus::Shown& menu = w.Platform.Menus.Menus.back();
        QCOMPARE(menu.Name, QStringLiteral("ImageMenu"));
        QCOMPARE(menu.Entries,
            (QStringList { QStringLiteral("&Vorschaubild anzeigen"), QStringLiteral("&Thumbnail anzeigen"),
                QStringLiteral("-"), QStringLiteral("nach &Name sortieren"),
                QStringLiteral("nach &Dateidatum sortieren"), QStringLiteral("nach &Aufnahmedatum sortieren"),
                QStringLiteral("-"), QStringLiteral("Bilder &hinzufügen …"),
                QStringLiteral("&Fehlende Bilder suchen …"), QStringLiteral("&Zurücksetzen"), QStringLiteral("-"),
                QStringLiteral("&Rückgängig"), QStringLiteral("&Wiederholen"), QStringLiteral("-"),
                QStringLiteral("Zwischenspeicher &verwenden"), QStringLiteral("Zwischenspeicher &leeren") }));
        QPushButton* button = w.Find<QPushButton>("BImageMenu");
        QCOMPARE(menu.Position, button->mapToGlobal(QPoint(0, button->height())));

        // With one category shown only that one is sorted.
        w.Category()->setCurrentIndex(2);
        w.ImagesPage.CCategoryChange();
        w.Platform.Menus.Choices = { QStringLiteral("nach &Name sortieren") };
        w.Find<QPushButton>("BImageMenu")->click();
        QCOMPARE(w.ListNames(),
            (QStringList { QStringLiteral("charlie.jpg"), QStringLiteral("alpha.jpg"), QStringLiteral("bravo.jpg"),
                QStringLiteral("Delta.jpg"), QStringLiteral("Echo.jpg") }));

        // With "(alle)" every category is sorted within itself; afterwards nothing is selected.
        w.Category()->setCurrentIndex(0);
        w.ImagesPage.CCategoryChange();
        w.Key(Qt::Key_A, Qt::ControlModifier);
        w.Platform.Menus.Choices = { QStringLiteral("nach &Aufnahmedatum sortieren") };
        w.Find<QPushButton>("BImageMenu")->click();
        QCOMPARE(w.RowNames(),
            (QStringList { QStringLiteral("alpha.jpg"), QStringLiteral("charlie.jpg"), QStringLiteral("Echo.jpg"),
                QStringLiteral("bravo.jpg"), QStringLiteral("Delta.jpg") }));
        QVERIFY(w.SelectedRows().isEmpty());
        w.Platform.Menus.Choices = { QStringLiteral("nach &Dateidatum sortieren") };
        w.Find<QPushButton>("BImageMenu")->click();
        QCOMPARE(w.RowNames(),
            (QStringList { QStringLiteral("charlie.jpg"), QStringLiteral("alpha.jpg"), QStringLiteral("Delta.jpg"),
                QStringLiteral("bravo.jpg"), QStringLiteral("Echo.jpg") }));
    }

    void deleteLeavesTheFocusOnTheNextPicture()
    {
        TListWindow w;
        FillFive(w);
        w.Image("d.jpg").Caption = "Delta";
        w.Select({ 1, 2 });
        w.Key(Qt::Key_Delete);
        QCOMPARE(
            w.RowNames(), (QStringList { QStringLiteral("a.jpg"), QStringLiteral("d.jpg"), QStringLiteral("e.jpg") }));
        QVERIFY(w.Platform.Boxes.Questions.isEmpty());
        QVERIFY(w.SelectedRows().isEmpty());
        QCOMPARE(w.ImagesPage.FocusedRow(), 1);
        // The description field follows the focus, rather than keep a deleted picture's text.
        QCOMPARE(w.Comment()->text(), QStringLiteral("Delta"));
        QCOMPARE(w.ImagesPage.CommentTarget(), std::string("/bilder/d.jpg"));

        // A selection that runs to the end leaves the focus on the row before it.
        w.Select({ 1, 2 });
        w.Key(Qt::Key_Delete);
        QCOMPARE(w.RowNames(), QStringList { QStringLiteral("a.jpg") });
        QCOMPARE(w.ImagesPage.FocusedRow(), 0);
        // Without a selection nothing goes, and the categories stay.
        w.Key(Qt::Key_Delete);
        w.List()->clearSelection();
        w.Key(Qt::Key_Delete);
        QCOMPARE(w.Images().ImageCount(), 1);
        w.Select({ 0 });
        w.Key(Qt::Key_Delete);
        QCOMPARE(w.Images().ImageCount(), 0);
        QCOMPARE(w.Images().CategoryCount(), 3);
    }

    void movingTheSelectedRuns()
    {
        TListWindow w;
        w.Images().AddCategory("Meer");
        for (const char* name : { "a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg" })
            AddPicture(w.Images(), name, name[0] >= 'e' ? 1 : 0);
        w.ShowList();
        w.Select({ 1, 2 });
        w.Key(Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(w.ListNames().join(QString()), QStringLiteral("b.jpgc.jpga.jpgd.jpge.jpgf.jpg"));
        QCOMPARE(w.SelectedRows(), (QList<int> { 0, 1 }));
        // The focus row went with its picture, not one row further.
        QCOMPARE(w.Images().GetImage(w.ImagesPage.FocusedImage())->FileName, std::string("c.jpg"));
        // The first picture stays first.
        w.Key(Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(w.ListNames().join(QString()), QStringLiteral("b.jpgc.jpga.jpgd.jpge.jpgf.jpg"));

        // Down across the end of the category: the picture returns to its own category.
        w.Find<QPushButton>("BImageDown")->click();
        w.Find<QPushButton>("BImageDown")->click();
        QCOMPARE(w.ListNames().join(QString()), QStringLiteral("a.jpgd.jpgb.jpgc.jpge.jpgf.jpg"));
        w.Key(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(w.ListNames().join(QString()), QStringLiteral("a.jpgd.jpgb.jpgc.jpge.jpgf.jpg"));
        QCOMPARE(w.SelectedRows(), (QList<int> { 2, 3 }));

        // Within one shown category, its first picture stays where it is.
        w.Category()->setCurrentIndex(2);
        w.ImagesPage.CCategoryChange();
        w.Select({ 1 });
        w.Find<QPushButton>("BImageUp")->click();
        QCOMPARE(w.RowNames(), (QStringList { QStringLiteral("f.jpg"), QStringLiteral("e.jpg") }));
        w.Find<QPushButton>("BImageUp")->click();
        QCOMPARE(w.RowNames(), (QStringList { QStringLiteral("f.jpg"), QStringLiteral("e.jpg") }));
        QCOMPARE(w.ListNames().mid(0, 4).join(QString()), QStringLiteral("a.jpgd.jpgb.jpgc.jpg"));
    }

    void descriptionKeys()
    {
        TListWindow w;
        FillFive(w);
        w.Image("b.jpg").Caption = "Bravo";
        w.Image("c.jpg").Caption = "Charlie";
        w.Click(w.Blank(1));
        QCOMPARE(w.Comment()->text(), QStringLiteral("Bravo"));
        QCOMPARE(w.ImagesPage.CommentTarget(), std::string("/bilder/b.jpg"));

        // Enter stores the text and goes to the next row, with its text selected.
        w.TypeText("EComment", QStringLiteral("Brücke"));
        QTest::keyClick(w.Comment(), Qt::Key_Return);
        QCOMPARE(w.Image("b.jpg").Caption, std::string("Brücke"));
        QCOMPARE(w.SelectedRows(), QList<int> { 2 });
        QCOMPARE(w.ImagesPage.FocusedRow(), 2);
        QCOMPARE(w.Comment()->text(), QStringLiteral("Charlie"));
        QCOMPARE(w.Comment()->selectedText(), QStringLiteral("Charlie"));
        QCOMPARE(w.Model()->index(1).data(TImageListModel::CaptionRole).toString(), QStringLiteral("Brücke"));

        // Escape brings back what is stored.
        w.TypeText("EComment", QStringLiteral("verworfen"));
        QTest::keyClick(w.Comment(), Qt::Key_Escape);
        QCOMPARE(w.Comment()->text(), QStringLiteral("Charlie"));
        QCOMPARE(w.Comment()->selectedText(), QStringLiteral("Charlie"));
        QCOMPARE(w.Image("c.jpg").Caption, std::string("Charlie"));

        // Up stores and goes back; Down stores and goes on.
        w.TypeText("EComment", QStringLiteral("Hafen"));
        QTest::keyClick(w.Comment(), Qt::Key_Up);
        QCOMPARE(w.Image("c.jpg").Caption, std::string("Hafen"));
        QCOMPARE(w.ImagesPage.FocusedRow(), 1);
        QTest::keyClick(w.Comment(), Qt::Key_Down);
        QTest::keyClick(w.Comment(), Qt::Key_Down);
        QCOMPARE(w.ImagesPage.FocusedRow(), 3);

        // On the last row Enter stores and stays, with the text selected.
        w.Click(w.Blank(4));
        w.TypeText("EComment", QStringLiteral("Ende"));
        QTest::keyClick(w.Comment(), Qt::Key_Enter);
        QCOMPARE(w.Image("e.jpg").Caption, std::string("Ende"));
        QCOMPARE(w.SelectedRows(), QList<int> { 4 });
        QCOMPARE(w.Comment()->selectedText(), QStringLiteral("Ende"));

        // Typed text stays with its picture when the user clicks another row or leaves the field,
        // and the focus does not move on as with Enter.
        w.TypeText("EComment", QStringLiteral("nicht verloren"));
        w.Click(w.Blank(0));
        QCOMPARE(w.Image("e.jpg").Caption, std::string("nicht verloren"));
        QCOMPARE(w.Comment()->text(), QString());
        w.Comment()->setFocus();
        w.TypeText("EComment", QStringLiteral("Anfang"));
        w.Category()->setFocus();
        QCOMPARE(w.Image("a.jpg").Caption, std::string("Anfang"));
        QCOMPARE(w.ImagesPage.FocusedRow(), 0);
        // What the field merely shows is no edit: a list loaded since keeps its own description.
        w.Image("a.jpg").Caption = "geladen";
        w.Comment()->setFocus();
        w.Category()->setFocus();
        QCOMPARE(w.Image("a.jpg").Caption, std::string("geladen"));
    }

    void addingFilesFromTheMenu()
    {
        TListWindow w;
        FillFive(w);
        w.Select({ 0 });
        w.Operations->OnAddFiles = [&](IOperationHost& host) {
            host.BeginBusy();
            w.Images().ClearMarks();
            AddPicture(w.Images(), "neu1.jpg").Marked = true;
            AddPicture(w.Images(), "neu2.jpg").Marked = true;
            w.Images().SortByCategory();
            host.ImageListChanged();
            host.EndBusy(Page::PImages);
        };
        w.Platform.Menus.Choices = { QStringLiteral("Bilder &hinzufügen …") };
        w.Platform.Dialogs.Answers = { QStringLiteral("/bilder/neu1.jpg") };
        w.Find<QPushButton>("BImageMenu")->click();
        const FileDialogRequest& request = w.Platform.Dialogs.OpenRequests.back();
        QCOMPARE(request.Title, QStringLiteral("Bilder auswählen"));
        QCOMPARE(request.DefaultExtension, QStringLiteral("jpg"));
        QVERIFY(request.MultipleFiles);
        const std::vector<FileFilter> filters {
            { QStringLiteral("Bilddateien (*.jpg;*.jpeg;*.bmp;*.heic;*.heif;*.avif;*.png;*.webp)"),
                QStringLiteral("*.jpg;*.jpeg;*.bmp;*.heic;*.heif;*.avif;*.png;*.webp") },
            { QStringLiteral("JPEG-Bilddateien (*.jpg;*.jpeg)"), QStringLiteral("*.jpg;*.jpeg") },
            { QStringLiteral("BMP-Bilddateien (*.bmp)"), QStringLiteral("*.bmp") },
            { QStringLiteral("HEIC/AVIF-Bilddateien (*.heic;*.heif;*.avif)"), QStringLiteral("*.heic;*.heif;*.avif") },
            { QStringLiteral("PNG-Bilddateien (*.png)"), QStringLiteral("*.png") },
            { QStringLiteral("WebP-Bilddateien (*.webp)"), QStringLiteral("*.webp") },
            { QStringLiteral("Alle Dateien (*.*)"), QStringLiteral("*.*") }
        };
        QVERIFY(request.Filters == filters);
        QCOMPARE(w.Operations->Calls.size(), std::size_t(1));
        QCOMPARE(w.Operations->Calls[0].Paths, std::vector<std::string> { "/bilder/neu1.jpg" });
        // The new pictures come up selected; the page is shown again.
        QCOMPARE(w.RowNames().mid(2, 2), (QStringList { QStringLiteral("neu1.jpg"), QStringLiteral("neu2.jpg") }));
        QCOMPARE(w.SelectedRows(), (QList<int> { 2, 3 }));
        QCOMPARE(w.Form->CurrentPage(), Page::PImages);

        // Cancel adds nothing.
        w.Platform.Menus.Choices = { QStringLiteral("Bilder &hinzufügen …") };
        w.Find<QPushButton>("BImageMenu")->click();
        QCOMPARE(w.Operations->Calls.size(), std::size_t(1));
    }

    void resetAsksFirst()
    {
        TListWindow w;
        FillFive(w);
        w.Category()->setCurrentIndex(3);
        w.ImagesPage.CCategoryChange();
        w.Platform.Menus.Choices = { QStringLiteral("&Zurücksetzen") };
        w.Find<QPushButton>("BImageMenu")->click();
        QCOMPARE(w.Platform.Boxes.Questions,
            QStringList { QStringLiteral("Soll die Bilderliste wirklich komplett geleert werden?") });
        QCOMPARE(w.Images().ImageCount(), 5);
        QVERIFY(w.Platform.Boxes.SaveQuestions.isEmpty()); // "Nein" asks nothing more

        w.Platform.Boxes.ConfirmAnswer = true;
        w.Platform.Menus.Choices = { QStringLiteral("&Zurücksetzen") };
        w.Find<QPushButton>("BImageMenu")->click();
        QCOMPARE(w.Images().ImageCount(), 0);
        QCOMPARE(w.Images().CategoryCount(), 0);
        QCOMPARE(w.Images().ViewCategory(), -1);
        QCOMPARE(w.Category()->count(), 2);
        QCOMPARE(w.Category()->currentIndex(), 0);
        QCOMPARE(w.Model()->rowCount(), 0);
    }

    void loadingAProjectShowsAllItsPictures()
    {
        TListWindow w;
        FillFive(w);
        w.Category()->setCurrentIndex(3);
        w.ImagesPage.CCategoryChange();
        w.Operations->OnLoadProject = [&](Configuration&, IOperationHost& host) {
            host.BeginBusy();
            w.Images() = TImageManager();
            w.Images().AddCategory("Wald");
            AddPicture(w.Images(), "x.jpg", 1).Marked = true;
            AddPicture(w.Images(), "y.jpg", 0).Marked = true;
            w.Images().SortByCategory();
            w.Images().SetViewCategory(-1);
            host.SettingsChanged();
            host.ImageListChanged();
            host.EndBusy(Page::PLog);
        };
        w.Platform.Dialogs.Answers = { QStringLiteral("/projekte/urlaub.kv2") };
        w.Find<QPushButton>("BLoadProject")->click();
        QCOMPARE(w.Category()->count(), 3);
        QCOMPARE(w.Category()->itemText(2), QStringLiteral("Wald"));
        QCOMPARE(w.Category()->currentIndex(), 0);
        QCOMPARE(w.RowNames(), (QStringList { QStringLiteral("y.jpg"), QStringLiteral("x.jpg") }));
        QVERIFY(w.SelectedRows().isEmpty());
        QCOMPARE(w.Model()->index(1).data(TImageListModel::CategoryNameRole).toString(), QStringLiteral("Wald"));
    }

    void missingPicturesAreGreyedAndSearchedFor()
    {
        TListWindow w;
        AddPicture(w.Images(), "da.jpg");
        w.ShowList();
        bool enabled = true;
        w.Platform.Menus.OnShow
            = [&](QMenu& menu) { enabled = menu.findChild<QAction*>(QStringLiteral("MFindMissing"))->isEnabled(); };
        w.Find<QPushButton>("BImageMenu")->click();
        QVERIFY(!enabled);

        AddPicture(w.Images(), "weg.jpg").Missing = true;
        w.ShowList();
        QVERIFY(!w.Model()->index(0).data(TImageListModel::MissingRole).toBool());
        QVERIFY(w.Model()->index(1).data(TImageListModel::MissingRole).toBool());
        w.Platform.Menus.Choices = { QStringLiteral("&Fehlende Bilder suchen …") };
        w.Platform.Dialogs.Answers = { QStringLiteral("/neu") };
        w.Find<QPushButton>("BImageMenu")->click();
        QVERIFY(enabled);
        QCOMPARE(w.Platform.Dialogs.FolderRequests.at(0).Title,
            QStringLiteral("Ordner mit den fehlenden Bildern auswählen"));
        QCOMPARE(w.Operations->Calls.at(0).What + w.Operations->Calls[0].Paths.at(0), std::string("FindMissing/neu"));
    }
};

QTEST_MAIN(ImagesPageTest)
#include "ImagesPageTest.moc"
