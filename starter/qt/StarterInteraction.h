#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class QWidget;

namespace qv::starter {

// Everything the runtime asks the user or hands to the desktop goes through this seam, so tests
// answer the dialogs and record the starts and opens instead of a desktop.
class StarterInteraction {
public:
    virtual ~StarterInteraction() = default;

    // Asks for the exit password in a German dialog; nullopt when the user cancels.
    virtual std::optional<QString> askPassword(QWidget* parent) = 0;
    // A German note with an OK button (the wrong password).
    virtual void showNote(QWidget* parent, const QString& title, const QString& text) = 0;
    // Opens a file or an address with the desktop's default program for it.
    virtual bool openWithDefaultProgram(const QUrl& url) = 0;
    // Opens an address in the desktop's web browser (on Linux desktops the handler of https
    // addresses, started with the address; never a file's default program).
    virtual bool openInBrowser(const QUrl& url) = 0;
    // Starts a program detached, in `folder`.
    virtual bool startProgram(const QString& program, const QStringList& arguments, const QString& folder) = 0;
};

// The production implementation: Qt dialogs, the desktop services, detached processes.
class QtStarterInteraction : public StarterInteraction {
public:
    std::optional<QString> askPassword(QWidget* parent) override;
    void showNote(QWidget* parent, const QString& title, const QString& text) override;
    bool openWithDefaultProgram(const QUrl& url) override;
    bool openInBrowser(const QUrl& url) override;
    bool startProgram(const QString& program, const QStringList& arguments, const QString& folder) override;
};

} // namespace qv::starter
