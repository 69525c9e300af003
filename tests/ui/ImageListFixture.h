#pragma once

// A main window showing its image list page, filled with entries made in code, and the points
// of a row's click zones.

#include "WindowFixture.h"
#include "ui/imagelist/ImageListModel.h"
#include "ui/imagelist/ImageListView.h"
#include "ui/imagelist/ImagesPage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <string>
#include <vector>

namespace korvo::testing {

// An entry as acquisition makes it, but without a file: active, with a list picture of one
// colour and the dates given as day numbers.
inline TImageRecord& AddPicture(TImageManager& images, const std::string& name, int category = 0,
    QColor colour = QColor(40, 120, 200), TDateTime fileDate = 0, TDateTime exifDate = 0)
{
    TImageRecord& image = images.AddImage();
    image.ListPicture = TBitmap::Create(106, 80);
    image.ListPicture->Fill(static_cast<std::uint8_t>(colour.blue()), static_cast<std::uint8_t>(colour.green()),
        static_cast<std::uint8_t>(colour.red()));
    image.FileName = name;
    image.Source = "/bilder/" + name;
    image.InfoText = "JPEG 640x480";
    image.Width = 640;
    image.Height = 480;
    image.Active = true;
    image.Category = category;
    image.FileDate = fileDate;
    image.ExifDate = exifDate;
    image.DateText = "01.02.2024 10:00";
    return image;
}

struct TListWindow : TWindow {
    TImagesPage& ImagesPage;

    TListWindow()
        : ImagesPage(*Form->ImagesPage())
    {
        // Tall enough for six rows without scrolling.
        Form->resize(640, 640);
        Form->ShowPage(Page::PImages);
        QCoreApplication::processEvents();
    }

    TImageManager& Images() const { return Form->Images(); }
    TImageListView* List() const { return ImagesPage.ImageList(); }
    TImageListModel* Model() const { return ImagesPage.Model(); }
    QWidget* Viewport() const { return List()->viewport(); }
    QComboBox* Category() const { return Find<QComboBox>("CCategory"); }
    QLineEdit* Comment() const { return Find<QLineEdit>("EComment"); }

    // Shows the image list as it is now, in category order and with its categories, as after
    // loading a project.
    void ShowList() const
    {
        Images().SortByCategory();
        Images().SetViewCategory(-1);
        ImagesPage.ProjectLoaded();
    }

    QRect Row(int row) const { return List()->visualRect(ImagesPage.Model()->index(row)); }
    QPoint CheckBox(int row) const { return Row(row).topLeft() + QPoint(110, 8); }
    QPoint CategoryArrow(int row) const { return Row(row).topLeft() + QPoint(110, 56); }
    QPoint RotationArrow(int row) const { return Row(row).topRight() + QPoint(1 - 86, 56); }
    QPoint Blank(int row) const { return Row(row).topLeft() + QPoint(200, 40); }

    void Click(
        QPoint where, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::mouseClick(Viewport(), button, modifiers, where);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        List()->setFocus();
        QTest::keyClick(List(), static_cast<Qt::Key>(key), modifiers);
    }
    // Selects the rows as the user would: a click on the first, Ctrl-clicks on the others.
    void Select(std::initializer_list<int> rows) const
    {
        bool first = true;
        for (int row : rows) {
            Click(Blank(row), Qt::LeftButton, first ? Qt::NoModifier : Qt::ControlModifier);
            first = false;
        }
    }

    // The file names of the rows, top to bottom.
    QStringList RowNames() const
    {
        QStringList names;
        for (int row = 0; row < ImagesPage.Model()->rowCount(); ++row)
            names << ImagesPage.Model()->index(row).data(TImageListModel::FileNameRole).toString();
        return names;
    }
    // The file names of the entries, in list order.
    QStringList ListNames() const
    {
        QStringList names;
        for (int i = 0; i < Images().ImageCount(); ++i)
            names << QString::fromStdString(Images().GetImage(i)->FileName);
        return names;
    }
    QList<int> SelectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex& index : List()->selectionModel()->selectedRows())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    TImageRecord& Image(const std::string& name) const
    {
        return *Images().GetImage(Images().FindBySource("/bilder/" + name));
    }
};

} // namespace korvo::testing
