#pragma once

// A main window on scripted platform services and fake operations, shown offscreen.

#include "FakePlatform.h"
#include "ui/window/Main.h"
#include "ui/window/Startup.h"

#include <QApplication>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include <memory>

namespace korvo::testing {

struct TWindow {
    TFakePlatform Platform;
    TFakeOperations* Operations = nullptr;
    std::unique_ptr<TMainForm> Form;

    explicit TWindow(const QString& programFolder = QString())
    {
        Platform.ProgramFolder = programFolder;
        auto operations = std::make_unique<TFakeOperations>();
        Operations = operations.get();
        Form = std::make_unique<TMainForm>(Platform.Services(), std::move(operations));
        Form->show();
    }

    template <typename T> T* Find(const char* name) const { return Form->findChild<T*>(QString::fromLatin1(name)); }
    QWidget* Widget(const char* name) const { return Find<QWidget>(name); }
    QSpinBox* Spinner(const char* name) const { return Find<QSpinBox>(name); }
    Configuration& Config() const { return Form->Config(); }

    // Types into a number edit as a user would: everything selected, the text, then Enter.
    void TypeNumber(const char* spinnerName, const QString& text) const
    {
        QSpinBox* spinner = Spinner(spinnerName);
        spinner->setFocus();
        spinner->selectAll();
        QTest::keyClicks(spinner, text);
        QTest::keyClick(spinner, Qt::Key_Return);
    }

    // Types text, umlauts included, into an edit, replacing what it held.
    void TypeText(const char* editName, const QString& text) const
    {
        QLineEdit* edit = Find<QLineEdit>(editName);
        edit->selectAll();
        for (QChar character : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(character), Qt::NoModifier);
    }
};

// The program's font for the whole test, as the program sets it.
inline void UseProgramFont() { QApplication::setFont(ProgramFont()); }

} // namespace korvo::testing
