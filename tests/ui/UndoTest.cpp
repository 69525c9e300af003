// Undo and redo of the image list: every kind of change is taken back by Ctrl+Z and made again
// by Ctrl+Umschalt+Z, the unsaved-work mark follows, and the history ends where a project is
// loaded.

#include "ImageListFixture.h"
#include "imaging/CachedAcquire.h"
#include "ui/window/BitmapImage.h"

#include "ui/imagelist/CategoryEditor.h"
#include "ui/imagelist/ImageListView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>

#include <functional>
#include <utility>

using namespace korvo;
using namespace korvo::testing;

namespace {

// Everything the user can change, entry by entry, and the category names.
QString State(const TImageManager& images)
{
    QString text;
    for (int k = 1; k <= images.CategoryCount(); ++k)
        text += QString::fromStdString(images.GetCategoryName(k)) + u',';
    for (int i = 0; i < images.ImageCount(); ++i) {
        const TImageRecord& image = *images.GetImage(i);
        text += QStringLiteral("|%1 %2 %3 %4 %5")
                    .arg(QString::fromStdString(image.FileName))
                    .arg(image.Category)
                    .arg(image.Active)
                    .arg(image.Rotate)
                    .arg(QString::fromStdString(image.Caption));
    }
    return text;
}

struct TUndoWindow : TListWindow {
    TUndoWindow()
    {
        // Loaded as a project: saved, with two categories and four pictures.
        Operations->OnLoadProject = [this](Configuration&, IOperationHost&) {
            Images() = TImageManager();
            Images().AddCategory("Berge");
            Images().AddCategory("Meer");
            AddPicture(Images(), "d.jpg", 1);
            AddPicture(Images(), "b.jpg", 1);
            AddPicture(Images(), "c.jpg", 2);
            AddPicture(Images(), "a.jpg", 0);
            Images().SortByCategory();
        };
        Platform.Dialogs.Answers = { QStringLiteral("/projekte/urlaub.kv2") };
        Find<QPushButton>("BLoadProject")->click();
        Form->ShowPage(Page::PImages);
    }
    void Shortcut(int key, Qt::KeyboardModifiers modifiers) const
    {
        List()->setFocus();
        QTest::keyClick(List(), static_cast<Qt::Key>(key), modifiers);
    }
    void Menu(const QString& entry)
    {
        Platform.Menus.Choices = { entry };
        Find<QPushButton>("BImageMenu")->click();
    }
};

} // namespace

class UndoTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { UseProgramFont(); }

    void everyChangeOfTheListIsUndoneAndRedone()
    {
        using Change = std::function<void(TUndoWindow&)>;
        const std::vector<std::pair<const char*, Change>> changes = {
            { "sort", [](TUndoWindow& w) { w.Menu(QStringLiteral("nach &Name sortieren")); } },
            { "move",
                [](TUndoWindow& w) {
                    w.Select({ 1 });
                    w.Key(Qt::Key_Down, Qt::ControlModifier);
                } },
            { "drag and drop",
                [](TUndoWindow& w) {
                    // d.jpg dragged below b.jpg, onto the upper edge of c.jpg in the next category:
                    // it stays in its own category, at its end.
                    w.Select({ 1 });
                    QMimeData mime;
                    mime.setData(QString::fromLatin1(TImageListView::RowsMimeType), QByteArray());
                    const QPoint where = w.Row(3).topLeft() + QPoint(30, 5);
                    QDragEnterEvent enter(where, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
                    QCoreApplication::sendEvent(w.Viewport(), &enter);
                    QDropEvent drop(where, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
                    QCoreApplication::sendEvent(w.Viewport(), &drop);
                    QVERIFY(drop.isAccepted());
                    QCOMPARE(w.RowNames(),
                        (QStringList { QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("d.jpg"),
                            QStringLiteral("c.jpg") }));
                    QCOMPARE(w.SelectedRows(), QList<int> { 2 });
                } },
            { "category",
                [](TUndoWindow& w) {
                    w.Select({ 0, 3 });
                    w.ImagesPage.CategoryItemClick(2);
                } },
            { "new category",
                [](TUndoWindow& w) {
                    w.Select({ 2 });
                    w.Platform.Boxes.InputAnswer = QStringLiteral("Wald");
                    w.ImagesPage.NewCategoryClick();
                } },
            { "category editor",
                [](TUndoWindow& w) {
                    w.Find<QPushButton>("BEditCategories")->click();
                    w.ImagesPage.CategoryEditor()->SelectRow(1);
                    w.Find<QPushButton>("BCatUp")->click();
                    w.Find<QPushButton>("BCatClose")->click();
                } },
            { "description",
                [](TUndoWindow& w) {
                    w.Select({ 1 });
                    w.TypeText("EComment", QStringLiteral("Gipfel"));
                    QTest::keyClick(w.Comment(), Qt::Key_Return);
                } },
            { "rotation",
                [](TUndoWindow& w) {
                    w.Select({ 1, 2 });
                    w.ImagesPage.MRotateClick(3);
                } },
            { "active", [](TUndoWindow& w) { w.Click(w.CheckBox(2)); } },
            { "delete",
                [](TUndoWindow& w) {
                    w.Select({ 0, 1 });
                    w.Key(Qt::Key_Delete);
                } },
            { "add",
                [](TUndoWindow& w) {
                    w.Operations->OnAddFiles = [&w](IOperationHost& host) {
                        host.BeginBusy();
                        AddPicture(w.Images(), "neu.jpg");
                        w.Images().SortByCategory();
                        host.EndBusy(Page::PImages);
                    };
                    emit w.ImagesPage.AddFilesRequested({ QStringLiteral("/bilder/neu.jpg") });
                } },
            { "reset",
                [](TUndoWindow& w) {
                    w.Platform.Boxes.ConfirmAnswer = true;
                    w.ImagesPage.MResetClick();
                } },
        };
        for (const auto& [name, change] : changes) {
            TUndoWindow w;
            const QString before = State(w.Images());
            QVERIFY2(!w.Form->HasUnsavedChanges(), name);
            change(w);
            const QString after = State(w.Images());
            QVERIFY2(after != before, name);
            // An empty list tells how to fill it.
            QCOMPARE(w.List()->EmptyHint().isEmpty(), w.Images().ImageCount() > 0);
            QVERIFY2(w.Form->HasUnsavedChanges(), name);
            QCOMPARE(w.Form->UndoStack()->count(), 1);

            w.Shortcut(Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(State(w.Images()), before);
            QCOMPARE(w.Model()->rowCount(), static_cast<int>(w.Images().ViewRows().size()));
            QVERIFY2(!w.Form->HasUnsavedChanges(), name);
            w.Menu(QStringLiteral("&Wiederholen"));
            QCOMPARE(State(w.Images()), after);
            QVERIFY2(w.Form->HasUnsavedChanges(), name);
            w.Menu(QStringLiteral("&Rückgängig"));
            QCOMPARE(State(w.Images()), before);
            w.Shortcut(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(State(w.Images()), after);
        }
    }

    void theHistoryHoldsOnlyRealChangesAndEndsWithALoad()
    {
        TUndoWindow w;
        QUndoStack& stack = *w.Form->UndoStack();
        // Nothing selected, nothing changed: no step.
        w.Key(Qt::Key_Delete);
        w.Menu(QStringLiteral("nach &Name sortieren"));
        w.Menu(QStringLiteral("nach &Name sortieren"));
        QCOMPARE(stack.count(), 1);
        QCOMPARE(stack.undoText(), QStringLiteral("nach Name sortieren"));
        // The list pictures are shared by the list and the two states of the step, not copied.
        QCOMPARE(w.Images().GetImage(0)->ListPicture.use_count(), 3);

        // Not while the category editor is open, which is one step as a whole.
        w.Find<QPushButton>("BEditCategories")->click();
        w.Shortcut(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(stack.index(), 1);
        w.Find<QPushButton>("BCatClose")->click();

        w.Platform.Dialogs.Answers = { QStringLiteral("/projekte/anders.kv2") };
        w.Find<QPushButton>("BLoadProject")->click();
        QCOMPARE(stack.count(), 0);
        QCOMPARE(w.Images().GetImage(0)->ListPicture.use_count(), 1);
    }

    void encodedListPicturesAreDrawnAsTheEagerOnesAndSharedByTheSteps()
    {
        TUndoWindow w;
        // As a load through the cache leaves them: encoded until drawn.
        QList<QImage> eager;
        QList<QImage> drawn;
        for (int i = 0; i < w.Images().ImageCount(); ++i) {
            TImageRecord& image = *w.Images().GetImage(i);
            std::vector<std::uint8_t> bytes = EncodeListPicture(*std::exchange(image.ListPicture, nullptr));
            eager.append(ToQImage(*DecodeListPicture(bytes)).convertToFormat(QImage::Format_RGB32));
            image.EncodedListPicture = std::make_shared<TEncodedPicture>(std::move(bytes), &DecodeListPicture);
        }
        w.Menu(QStringLiteral("nach &Name sortieren"));
        QCOMPARE(w.Images().GetImage(0)->EncodedListPicture.use_count(), 3);
        w.Menu(QStringLiteral("&Rückgängig"));
        for (int row = 0; row < w.Model()->rowCount(); ++row)
            drawn.append(qvariant_cast<QPixmap>(w.Model()->index(row).data(TImageListModel::PictureRole))
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32));
        QCOMPARE(drawn, eager);
    }
};

QTEST_MAIN(UndoTest)
#include "UndoTest.moc"
