// The designer's entry: the application, the main window with its hints window, the message loop.
#include "app/VistaAltFixUnit.h"
#include "cmdline/EarlyOptions.h"
#include "qtcommon/KeepLibrariesMapped.h"
#include "qtcommon/NoScreenGuard.h"
#include "ui/platform/AppSetup.h"
#include "ui/mainform/Unit1.h"
#include "ui/dialogs/Warnfenster.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImageWriter>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

namespace {

// Saves a picture of the window; a picture that cannot be saved is said on standard error, in
// German and with the file's name, since the option exists to produce that file.
bool SavePicture(const QPixmap& picture, const QString& file)
{
    QImageWriter writer(file);
    if (writer.write(picture.toImage()))
        return true;
    const char* why = writer.error() == QImageWriter::UnsupportedFormatError
                          ? "Das Format ist unbekannt; die Endung des Namens wählt es (.png, .jpg, .bmp)."
                          : "Die Datei lässt sich nicht anlegen oder schreiben (fehlt der Ordner?).";
    std::fprintf(stderr, "quorvane: Das Bild \"%s\" konnte nicht gespeichert werden. %s\n",
                 QFile::encodeName(file).constData(), why);
    return false;
}

// Debug aid: "--grab-pages <folder>" saves a picture of every page and quits.
int GrabPages(TForm1& form, const QString& folder)
{
    QDir().mkpath(folder);
    const char* keys[] = {"start", "grund", "fenster", "optisch", "input", "zusatz", "neufenster", "skin",
                          "speichern", "ueber"};
    int index = 0;
    for (const char* key : keys) {
        form.switchcategory(form.PageLink(QString::fromLatin1(key)));
        QApplication::processEvents();
        const QString name = QStringLiteral("%1/%2-%3.png").arg(folder).arg(index++, 2, 10, QLatin1Char('0')).arg(QLatin1String(key));
        if (!SavePicture(form.grab(), name))
            return 1;
    }
    // Every border preview, and the donation picture under the mouse.
    form.switchcategory(form.PageLink(QStringLiteral("optisch")));
    auto* styles = form.findChild<QComboBox*>(QStringLiteral("CbStyle"));
    for (int style = 0; styles && style < styles->count(); ++style) {
        styles->setCurrentIndex(style);
        QApplication::processEvents();
        if (!SavePicture(form.grab(), QStringLiteral("%1/20-border%2.png").arg(folder).arg(style)))
            return 1;
    }
    form.switchcategory(form.PageLink(QStringLiteral("ueber")));
    form.ISpendenMouseMove();
    QApplication::processEvents();
    if (!SavePicture(form.grab(), folder + QStringLiteral("/21-spenden.png")))
        return 1;
    form.ISpendenMouseLeave();
    // The unfolded message bar and the hints window of the save page.
    form.ShowMessage(QStringLiteral("Eine neue Version ist verfügbar!"), QStringLiteral("https://example.org/"));
    for (int tick = 0; tick < 31; ++tick)
        form.TiAufklappenTimer();
    QApplication::processEvents();
    bool saved = SavePicture(form.grab(), folder + QStringLiteral("/10-message.png"));
    saved = saved && SavePicture(form.HintsWindow()->grab(), folder + QStringLiteral("/11-hinweise.png"));
    return saved ? 0 : 1;
}

// The program's own options, which take a value each and are no configuration file.
struct Options {
    QString argument;   // the first remaining argument
    QString grabPages;  // --grab-pages <folder>
    QString grab;       // --grab <file.png>: a picture of the shown window, then quit
};

// The command line was checked before the application was made (qv::cmdline::HandleEarlyOptions);
// Qt has taken its own options out of it.
Options ParseOptions(const QStringList& args)
{
    Options options;
    QStringList rest;
    bool optionsEnded = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == QLatin1String("--grab-pages") || arg == QLatin1String("--grab")) &&
                   i + 1 < args.size()) {
            (arg == QLatin1String("--grab") ? options.grab : options.grabPages) = args.at(i + 1);
            ++i;
        } else if (!optionsEnded && (arg == QLatin1String("--platform") || arg == QLatin1String("--display"))) {
            ++i; // Qt's own, in the two-dash form Qt also reads
        } else {
            rest << arg;
        }
    }
    options.argument = rest.value(0);
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    // --help, --version, a wrong option and a missing screen are answered before Qt starts.
    if (const auto exitCode = qv::cmdline::CheckBeforeWindows(qv::cmdline::Program::Designer, argc, argv))
        return *exitCode;
    qv::NoScreenGuard noScreen(qv::cmdline::Program::Designer);
    QApplication app(argc, argv);
    noScreen.End();
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setDesktopFileName(QStringLiteral("example.quorvane.Quorvane"));
    qv::ui::LoadFonts();
    qv::ui::InstallGermanTranslation();
    QApplication::setFont(qv::ui::WindowFont());

    const Options options = ParseOptions(QApplication::arguments());
    TForm1 form; // makes the hints window too
    form.CommandLineArgument = options.argument;
    form.MakeRepaintComponent = [](QWidget* owner) { new TVistaAltFix(owner); };
    form.show(); // the first show runs FormShow
    // The large icon (for the hints window and the dialogs) is decoded once the window is up.
    QTimer::singleShot(0, &form, [] { QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/quorvane.png"))); });

    if (!options.grabPages.isEmpty())
        return GrabPages(form, options.grabPages);
    if (!options.grab.isEmpty()) {
        // Once the window has been painted on the screen, keep a picture of it and end.
        QTimer::singleShot(500, &form, [&form, file = options.grab] {
            QApplication::exit(SavePicture(form.grab(), file) ? 0 : 1);
        });
    }
    return app.exec();
}
