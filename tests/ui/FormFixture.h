#pragma once

#include "config/ProjectSettings.h"
#include "ScriptedInteraction.h"
#include "ui/mainform/Unit1.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The real window with a scripted seam, shown, holding a new project on the start page.
class FormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>(&seam);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        NewProject();
    }

    void NewProject()
    {
        form->ApplySettings(qv::ProjectSettings{});
        form->ProjectChanged = false;
        form->UpdateCaption(QString());
        Go("start");
    }

    template <class T = QWidget>
    T* W(const char* name) const
    {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            ADD_FAILURE() << "no control " << name;
        return widget;
    }

    // Enabled as far as the control itself decides (its page may be hidden and disabled).
    bool Enabled(const char* name) const
    {
        QWidget* widget = W(name);
        return widget && widget->isEnabledTo(widget->parentWidget());
    }

    void Go(const char* key) { form->switchcategory(form->PageLink(QString::fromLatin1(key))); }

    // The border preview as its page shows it (the picture is set when the page is first shown).
    QImage BorderPreviewShown()
    {
        Go("optisch");
        auto* preview = W<QLabel>("IBorder");
        return preview ? preview->pixmap().toImage() : QImage();
    }

    static void MoveOver(QWidget* widget)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    static void Leave(QWidget* widget)
    {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
    static void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(3, 3)); }

    ScriptedInteraction seam; // outlives the window
    std::unique_ptr<TForm1> form;
};
