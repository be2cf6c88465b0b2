#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The one seam for everything modal and for the shell: message boxes, the file, folder and colour
// dialogs, and the shell's "open". The window never calls QMessageBox, QFileDialog, QColorDialog or
// QDesktopServices itself; tests install a scripted implementation that records and answers.
class Interaction {
public:
    enum class Icon { Information, Warning, Question, Critical };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No, Cancel };

    // Options of the open and save dialogs that the commands rely on.
    struct FileDialogRequest {
        QString title;
        QString filter;          // product form: "label|patterns|label|patterns", patterns split by ";"
        QString fileName;        // proposed file name (may hold a folder)
        QString initialFolder;   // empty: derived from fileName
        bool mustExist = false;  // open dialogs: chosen folder and file must exist
        bool confirmOverwrite = false; // save dialogs: ask before replacing a file
    };

    virtual ~Interaction() = default;

    // A modal message box; returns the button pressed (Cancel when closed otherwise).
    virtual Answer messageBox(QWidget* parent, const QString& title, const QString& text, Icon icon,
                              Buttons buttons) = 0;
    // The standard error box of a file error the command does not handle itself.
    virtual void errorBox(QWidget* parent, const QString& text) = 0;

    // Open and save dialogs; an empty result means cancelled.
    virtual QString openFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString saveFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    // The folder browser; an empty result means cancelled.
    virtual QString existingFolder(QWidget* parent, const QString& caption) = 0;
    // The colour dialog, preselected with `initial`; an invalid colour means cancelled.
    virtual QColor color(QWidget* parent, const QColor& initial) = 0;

    // The shell's "open": a web address, a document or a program, with an optional working folder.
    // The result is not examined by the product; it is returned for logging and tests.
    virtual bool shellOpen(const QString& target, const QString& workingFolder) = 0;
    // Opens the folder that holds `path` in the file manager with `path` selected (a file or a
    // folder); where the desktop cannot select, the folder itself is opened.
    virtual bool showInFolder(const QString& path) = 0;

    // What the window learns when a program it started ends abnormally (a signal, or an exit code
    // other than 0) within its first seconds: a German text naming the program, how it ended and
    // the last line it wrote to standard error. Called on the window's thread.
    using EarlyEnd = std::function<void(const QString& text)>;

    // Starts a program with these arguments in the working folder, detached (the Linux runtime:
    // the demonstration and the test run). `earlyEnd`, when given, hears of an early abnormal end.
    virtual bool startProgram(const QString& program, const QStringList& arguments, const QString& workingFolder,
                              EarlyEnd earlyEnd = {}) = 0;
};
