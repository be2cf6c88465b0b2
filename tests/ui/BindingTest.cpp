#include "FormFixture.h"

#include "config/Loader.h"
#include "ui/widgets/ColorSwatch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>

#include <fstream>

namespace {

qv::ProjectSettings FullProject()
{
    qv::ProjectSettings s;
    s.ESpeicherort = "C:\\cd\\";
    s.EHTMLOrt = "index.html";
    s.ETitel = "Men\xfc \x80"; // Windows-1252: "Menü €"
    s.ChVarTitel = true;
    s.EIconOrt = "a.ico";
    s.EBreite = "800";
    s.EHoehe = "600";
    s.EminBreite = "abc123456"; // loaded text is kept whole
    s.EminHoehe = "200";
    s.Eposx = "10";
    s.Eposy = "20";
    s.CbStyle = 5;
    s.Chfade = s.Chfadeout = s.ChTop = s.ChScrollbar = true;
    s.ESplashOrt = "splash.bmp";
    s.ETransparencyColor = "ff00ff";
    s.ChKontext = s.ChSelect = s.ChMove = s.ChKeyInput = true;
    s.LBShortcuts = {"F5", "Strg+A", "Entf", "gibtsnicht"};
    s.EPasswort = "geheim";
    s.EExt = "exe, zip";
    s.EZusatzProgOrt = "a.exe";
    s.EExeParam = "/x";
    s.EZusatzProgOrt2 = "b.exe";
    s.EExeParam2 = "/y";
    s.ChAdmin = true;
    s.newWindowAction = qv::NewWindowAction::Ignore;
    s.EPopupParam = "/height=320";
    s.EBMPOrt = "skin.bmp";
    s.Eskinx = "1";
    s.ESkiny = "2";
    s.ESkinw = "3";
    s.ESkinh = "4";
    s.Eminx = "5";
    s.Eminy = "6";
    s.Eminw = "7";
    s.Eminh = "8";
    s.Eclosex = "9";
    s.Eclosey = "10";
    s.Eclosew = "11";
    s.Ecloseh = "12";
    s.ConfigTarget = 1;
    return s;
}

} // namespace

TEST_F(FormTest, ApplyingAProjectShowsExactlyItsValues)
{
    qv::ProjectSettings full = FullProject();
    form->ApplySettings(full);
    full.ProjectChanged = true; // the reactions mark it; the load clears it afterwards
    EXPECT_EQ(form->CurrentSettings(), full);
    EXPECT_EQ(W<QComboBox>("CbStyle")->currentIndex(), 5);
    EXPECT_EQ(BorderPreviewShown(), QPixmap(":/pictures/border5.png").toImage());
    EXPECT_EQ(W<ColorSwatch>("SColor")->color(), QColor(255, 0, 255));
    EXPECT_FALSE(Enabled("LBShortcuts"));

    // Nothing of the previous project survives a new one.
    form->ApplySettings(qv::ProjectSettings{});
    qv::ProjectSettings fresh;
    fresh.ProjectChanged = true;
    EXPECT_EQ(form->CurrentSettings(), fresh);
    EXPECT_TRUE(W<ColorSwatch>("SColor")->isEmpty());
    EXPECT_TRUE(Enabled("LBShortcuts"));
    EXPECT_EQ(BorderPreviewShown(), QPixmap(":/pictures/border1.png").toImage());
}

TEST_F(FormTest, ApplyingOverAFullScreenProjectKeepsTheFilesSizes)
{
    qv::ProjectSettings previous;
    previous.ChFullscreen = true;
    form->ApplySettings(previous);
    ASSERT_FALSE(Enabled("EBreite"));

    qv::ProjectSettings loaded;
    loaded.ChVarTitel = true; // its reaction runs while the previous full-screen state still holds
    loaded.EBreite = "800";
    loaded.EHoehe = "600";
    loaded.EminBreite = "300";
    loaded.EminHoehe = "200";
    form->ApplySettings(loaded);
    const char* sizes[][2] = {{"EBreite", "800"}, {"EHoehe", "600"}, {"EminBreite", "300"}, {"EminHoehe", "200"}};
    for (const auto& [name, value] : sizes) {
        EXPECT_EQ(W<QLineEdit>(name)->text(), value) << name;
        EXPECT_TRUE(Enabled(name)) << name;
    }
    EXPECT_EQ(W("Label12")->palette().color(QPalette::WindowText), QColor(Qt::black));
}

TEST_F(FormTest, ALoadedFileRunsTheFieldReactions)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("starter.ini").toStdString();
    std::ofstream(path, std::ios::binary) << "[quorvane]\r\nmaximized=1\r\nwidth=800\r\n"
                                             "transparencycolor=00ff00\r\nborderstyle=tool\r\n";
    form->ApplySettings(qv::LoadConfiguration(path, form->CurrentSettings()).settings);
    EXPECT_TRUE(W<QCheckBox>("ChFullscreen")->isChecked());
    EXPECT_EQ(W<QLineEdit>("EBreite")->text(), "");
    EXPECT_FALSE(Enabled("EBreite"));
    EXPECT_EQ(W<ColorSwatch>("SColor")->color(), QColor(0, 255, 0));
    EXPECT_EQ(BorderPreviewShown(), QPixmap(":/pictures/border4.png").toImage());

    // A border style the loader does not know keeps the current item.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "[quorvane]\r\nborderstyle=Tool\r\n";
    form->ApplySettings(qv::LoadConfiguration(path, form->CurrentSettings()).settings);
    EXPECT_EQ(W<QComboBox>("CbStyle")->currentIndex(), 4);
    EXPECT_FALSE(W<QCheckBox>("ChFullscreen")->isChecked());
    EXPECT_TRUE(Enabled("EBreite"));
}
