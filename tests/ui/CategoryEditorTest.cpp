// The category editor: its panel over the page, the six buttons with their rules and prompts,
// what closing does with and without a change, and the list kept in category order while the
// editor is open.

#include "ImageListFixture.h"

#include "ui/imagelist/CategoryEditor.h"

#include <QListWidget>
#include <QPushButton>

using namespace korvo;
using namespace korvo::testing;

namespace {

// Berge, Meer, Stadt, with two pictures in each and one without a category, shuffled into the
// list as a user could have added them.
void FillThree(TListWindow& w)
{
    w.Images().AddCategory("Berge");
    w.Images().AddCategory("Meer");
    w.Images().AddCategory("Stadt");
    AddPicture(w.Images(), "meer1.jpg", 2);
    AddPicture(w.Images(), "berge1.jpg", 1);
    AddPicture(w.Images(), "stadt1.jpg", 3);
    AddPicture(w.Images(), "ohne.jpg", 0);
    AddPicture(w.Images(), "meer2.jpg", 2);
    AddPicture(w.Images(), "berge2.jpg", 1);
    AddPicture(w.Images(), "stadt2.jpg", 3);
    w.ShowList();
}

// The widget the Tab key goes to from `widget`.
QWidget* NextTabStop(QWidget* widget)
{
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && !((next->focusPolicy() & Qt::TabFocus) && next->isVisible() && next->isEnabled()))
        next = next->nextInFocusChain();
    return next;
}

struct TEditorWindow : TListWindow {
    TCategoryEditor& Editor;

    TEditorWindow()
        : Editor(*ImagesPage.CategoryEditor())
    {
        FillThree(*this);
    }

    QListWidget* CatList() const { return Find<QListWidget>("CatList"); }
    QStringList Names() const
    {
        QStringList names;
        for (int row = 0; row < CatList()->count(); ++row)
            names << CatList()->item(row)->text();
        return names;
    }
    void Press(const char* button) const { Find<QPushButton>(button)->click(); }
    void Open() const { Find<QPushButton>("BEditCategories")->click(); }
    bool InCategoryOrder() const
    {
        for (int i = 1; i < Images().ImageCount(); ++i)
            if (Images().GetImage(i - 1)->Category > Images().GetImage(i)->Category)
                return false;
        return true;
    }
};

} // namespace

class CategoryEditorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseProgramFont(); }

    void opensOverThePage()
    {
        TEditorWindow w;
        w.Open();
        QWidget* panel = w.Widget("PCatEdit");
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->geometry(), QRect(202, 0, w.Widget("PImages")->width() - 202, 153));
        QCOMPARE(w.CatList()->height(), 141);
        QCOMPARE(w.Names(), (QStringList { QStringLiteral("Berge"), QStringLiteral("Meer"), QStringLiteral("Stadt") }));
        QCOMPARE(w.Editor.SelectedRow(), -1);
        QVERIFY(!w.Editor.CategoriesChanged());
        for (const char* name : { "CImages", "BImageMenu", "EComment", "BImageUp", "BImageDown" })
            QVERIFY(!w.Widget(name)->isEnabled());
        // The list first, then the buttons from top to bottom.
        const char* order[] = { "CatList", "BCatClose", "BCatUp", "BCatDown", "BCatRename", "BCatRemove", "BCatAdd" };
        const char* captions[] = { "Schließen", "Oben", "Unten", "Ändern", "Löschen", "Neu" };
        for (int i = 1; i < 7; ++i) {
            QCOMPARE(NextTabStop(w.Widget(order[i - 1])), w.Widget(order[i]));
            QCOMPARE(w.Find<QPushButton>(order[i])->text(), QString::fromUtf8(captions[i - 1]));
            QVERIFY(w.Widget(order[i])->y() > w.Widget(order[i - 1])->y() || i == 1);
        }

        // Closing without a change leaves the page as it was.
        w.Category()->setCurrentIndex(3);
        w.ImagesPage.CCategoryChange();
        w.Open();
        w.Select({ 1 });
        w.Editor.SelectRow(0);
        w.Press("BCatClose");
        QVERIFY(panel->isHidden());
        QCOMPARE(w.Category()->currentIndex(), 3);
        for (const char* name : { "CImages", "BImageMenu", "EComment", "BImageUp", "BImageDown" })
            QVERIFY(w.Widget(name)->isEnabled());
    }

    void upAndDownMoveTheCategoriesWithTheirPictures()
    {
        TEditorWindow w;
        w.Open();
        // Without a selection, on the first row up and on the last row down: nothing.
        w.Press("BCatUp");
        w.Press("BCatDown");
        w.Editor.SelectRow(0);
        w.Press("BCatUp");
        w.Editor.SelectRow(2);
        w.Press("BCatDown");
        QVERIFY(!w.Editor.CategoriesChanged());
        QCOMPARE(w.Images().GetCategoryName(1), std::string("Berge"));

        w.Editor.SelectRow(1);
        w.Press("BCatUp");
        QCOMPARE(w.Names(), (QStringList { QStringLiteral("Meer"), QStringLiteral("Berge"), QStringLiteral("Stadt") }));
        QCOMPARE(w.Editor.SelectedRow(), 0);
        QVERIFY(w.Editor.CategoriesChanged());
        QCOMPARE(w.Image("meer1.jpg").Category, 1);
        QCOMPARE(w.Image("berge2.jpg").Category, 2);
        w.Press("BCatDown");
        w.Press("BCatDown");
        QCOMPARE(w.Names(), (QStringList { QStringLiteral("Berge"), QStringLiteral("Stadt"), QStringLiteral("Meer") }));
        QCOMPARE(w.Editor.SelectedRow(), 2);
        QCOMPARE(w.Image("meer2.jpg").Category, 3);
        QCOMPARE(w.Image("stadt1.jpg").Category, 2);

        // Closing keeps showing what was shown (all pictures), now in the new order.
        w.Press("BCatClose");
        QCOMPARE(w.Category()->currentIndex(), 0);
        QCOMPARE(w.Category()->itemText(4), QStringLiteral("Meer"));
        QCOMPARE(w.RowNames().mid(w.RowNames().size() - 2),
            (QStringList { QStringLiteral("meer1.jpg"), QStringLiteral("meer2.jpg") }));
        QVERIFY(w.InCategoryOrder());
    }

    void theListStaysInCategoryOrderWhileTheEditorIsOpen()
    {
        TEditorWindow w;
        w.Category()->setCurrentIndex(3); // Meer
        w.ImagesPage.CCategoryChange();
        bool ordered = false;
        w.Operations->OnRunAlbum = [&](IOperationHost&) { ordered = w.InCategoryOrder(); };
        w.Open();
        w.Editor.SelectRow(2);
        w.Press("BCatUp");
        QVERIFY(w.InCategoryOrder());
        // The rows under the panel still show the same pictures and the drop-down the same
        // category, under its new number.
        QCOMPARE(w.RowNames(), (QStringList { QStringLiteral("meer1.jpg"), QStringLiteral("meer2.jpg") }));
        QCOMPARE(w.Images().ViewCategory(), 3);
        QCOMPARE(w.Category()->currentText(), QStringLiteral("Meer"));
        // An album run started from the settings page meanwhile sees the list in order.
        w.Form->ShowPage(Page::PCommon);
        w.Find<QPushButton>("BGo")->click();
        QVERIFY(ordered);

        // Deleting the shown category shows its pictures among the uncategorised ones.
        w.Form->ShowPage(Page::PImages);
        w.Editor.SelectRow(2);
        w.Platform.Boxes.ConfirmAnswer = true;
        w.Press("BCatRemove");
        QVERIFY(w.InCategoryOrder());
        QCOMPARE(w.Images().ViewCategory(), 0);
        QCOMPARE(w.RowNames(),
            (QStringList { QStringLiteral("ohne.jpg"), QStringLiteral("meer1.jpg"), QStringLiteral("meer2.jpg") }));
    }

    void renameAsksForTheNewName()
    {
        TEditorWindow w;
        w.Open();
        w.Press("BCatRename");
        QVERIFY(w.Platform.Boxes.Inputs.isEmpty());
        QVERIFY(!w.Editor.CategoriesChanged());

        w.Editor.SelectRow(1);
        w.Platform.Boxes.InputAnswer = QStringLiteral("Ostsee");
        w.Press("BCatRename");
        QCOMPARE(w.Platform.Boxes.Inputs,
            QStringList { QStringLiteral("Kategorienname ändern|Neuer Name für die Kategorie »Meer«:|Meer") });
        QCOMPARE(w.Names()[1], QStringLiteral("Ostsee"));
        QCOMPARE(w.Editor.SelectedRow(), 1);
        QCOMPARE(w.Category()->itemText(3), QStringLiteral("Ostsee"));

        // Cancel keeps the name but counts as a change; closing keeps the shown category, even
        // when another one is selected in the editor.
        TEditorWindow c;
        c.Category()->setCurrentIndex(4);
        c.ImagesPage.CCategoryChange();
        c.Open();
        c.Editor.SelectRow(0);
        c.Press("BCatRename");
        QCOMPARE(c.Names()[2], QStringLiteral("Stadt"));
        QVERIFY(c.Editor.CategoriesChanged());
        c.Press("BCatClose");
        QCOMPARE(c.Category()->currentText(), QStringLiteral("Stadt"));
        QCOMPARE(c.RowNames(), (QStringList { QStringLiteral("stadt1.jpg"), QStringLiteral("stadt2.jpg") }));

        // An empty answer gives the category an empty name.
        c.Open();
        c.Editor.SelectRow(0);
        c.Platform.Boxes.InputAnswer = QString();
        c.Press("BCatRename");
        QCOMPARE(c.Images().GetCategoryName(1), std::string());
    }

    void removeAsksAndUncategorisesThePictures()
    {
        TEditorWindow w;
        w.Open();
        w.Editor.SelectRow(1);
        w.Press("BCatRemove");
        QCOMPARE(w.Platform.Boxes.Questions,
            QStringList { QStringLiteral("Kategorie »Meer« wirklich löschen?\r\rBilder, die dieser Kategorie "
                                         "angehören,\rwerden als nicht zugewiesen markiert!") });
        QCOMPARE(w.Images().CategoryCount(), 3);
        QVERIFY(!w.Editor.CategoriesChanged());

        w.Platform.Boxes.ConfirmAnswer = true;
        w.Press("BCatRemove");
        QCOMPARE(w.Names(), (QStringList { QStringLiteral("Berge"), QStringLiteral("Stadt") }));
        QCOMPARE(w.Editor.SelectedRow(), 1);
        QCOMPARE(w.Image("meer1.jpg").Category, 0);
        QCOMPARE(w.Image("stadt2.jpg").Category, 2);
        QCOMPARE(w.Images().ImageCount(), 7);

        // Removing the last row leaves none selected; closing keeps showing all pictures.
        w.Press("BCatRemove");
        QCOMPARE(w.Editor.SelectedRow(), -1);
        w.Press("BCatClose");
        QCOMPARE(w.Category()->currentIndex(), 0);
        QCOMPARE(w.Category()->count(), 3);
        QCOMPARE(w.RowNames().size(), 7);
        QVERIFY(w.InCategoryOrder());
    }

    void addAppendsTheNewCategory()
    {
        TEditorWindow w;
        w.Open();
        w.Press("BCatAdd");
        QCOMPARE(w.Platform.Boxes.Inputs,
            QStringList { QStringLiteral("Kategorie hinzufügen|Name für die neue Kategorie:|") });
        QCOMPARE(w.Images().CategoryCount(), 3);
        QVERIFY(!w.Editor.CategoriesChanged());

        w.Platform.Boxes.InputAnswer = QStringLiteral("Wald");
        w.Press("BCatAdd");
        QCOMPARE(w.Names().last(), QStringLiteral("Wald"));
        QCOMPARE(w.Editor.SelectedRow(), 3);
        w.Press("BCatClose");
        QCOMPARE(w.Category()->currentText(), QStringLiteral("(alle)"));
        QCOMPARE(w.Category()->itemText(5), QStringLiteral("Wald"));
        QCOMPARE(w.Model()->rowCount(), w.Images().ImageCount());
    }

    void loadingAProjectWhileOpenRefillsTheEditor()
    {
        TEditorWindow w;
        w.Open();
        w.Editor.SelectRow(0);
        w.Operations->OnLoadProject = [&](Configuration&, IOperationHost& host) {
            w.Images() = TImageManager();
            w.Images().AddCategory("Wüste");
            host.ImageListChanged();
        };
        w.Platform.Dialogs.Answers = { QStringLiteral("/projekte/neu.kv2") };
        w.Find<QPushButton>("BLoadProject")->click();
        QCOMPARE(w.Names(), QStringList { QStringLiteral("Wüste") });
        QCOMPARE(w.Editor.SelectedRow(), -1);
    }
};

QTEST_MAIN(CategoryEditorTest)
#include "CategoryEditorTest.moc"
