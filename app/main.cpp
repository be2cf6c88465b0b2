// The designer's entry: fonts, German standard dialogs, the window with a new project.
#include "AppSetup.h"
#include "ProjectSettings.h"
#include "Unit1.h"
#include "Warnfenster.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QTimer>

namespace {

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
        if (!form.grab().save(name))
            return 1;
    }
    // The unfolded message bar and the hints window of the save page.
    form.ShowMessage(QStringLiteral("Eine neue Version ist verfügbar!"), QStringLiteral("https://example.org/"));
    for (int tick = 0; tick < 31; ++tick)
        form.TiAufklappenTimer();
    QApplication::processEvents();
    bool saved = form.grab().save(folder + QStringLiteral("/10-message.png"));
    saved = saved && form.HintsWindow()->grab().save(folder + QStringLiteral("/11-hinweise.png"));
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/quorvane.png")));
    qv::ui::LoadFonts();
    qv::ui::InstallGermanTranslation();
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    QApplication::setFont(font);

    TForm1 form;
    form.show();
    // A new project on the start page; the full first-show sequence comes with the entry's issue.
    form.ApplySettings(qv::ProjectSettings{});
    form.ProjectChanged = false;
    form.UpdateCaption(QString());
    form.switchcategory(form.PageLink(QStringLiteral("start")));

    const QStringList args = QApplication::arguments();
    const int grab = args.indexOf(QStringLiteral("--grab-pages"));
    if (grab > 0 && grab + 1 < args.size())
        return GrabPages(form, args.at(grab + 1));
    return app.exec();
}
