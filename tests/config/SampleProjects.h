#pragma once

#include "config/Cp1252.h"
#include "config/ProjectSettings.h"

#include <string>

namespace qv::test {

// The menu of the worked example: a start page, a title with a blank and an umlaut, 800 x 600,
// border style "dialog", kept on top, new windows as popups with the page's own example parameters.
inline ProjectSettings WorkedExample()
{
    ProjectSettings p;
    p.EHTMLOrt = "web\\index.html";
    p.ETitel = W("Mein Menü");
    p.EBreite = "800";
    p.EHoehe = "600";
    p.CbStyle = 2;
    p.ChTop = true;
    p.newWindowAction = NewWindowAction::Popup;
    p.EPopupParam = "/height=320 /width=200 /borderstyle=sizeable /caption=\"Mein Popup\"";
    return p;
}

// A project that sets every setting, each to a distinct value that needs no quoting. It is not
// kept consistent (full screen together with sizes): the writer does not look at consistency.
inline ProjectSettings Everything()
{
    ProjectSettings p;
    p.ESpeicherort = "C:\\cd\\";
    p.EHTMLOrt = "index.html";
    p.ETitel = "Titel";
    p.EIconOrt = "icon.ico";
    p.EBreite = "800";
    p.EHoehe = "600";
    p.EminBreite = "400";
    p.EminHoehe = "300";
    p.Eposx = "10";
    p.Eposy = "20";
    p.ChVarTitel = true;
    p.ChFullscreen = true;
    p.ChKontext = true;
    p.ChScrollbar = true;
    p.ChSelect = true;
    p.Chfade = true;
    p.Chfadeout = true;
    p.ChTop = true;
    p.ChMove = true;
    p.ChKeyInput = true;
    p.CbStyle = 6;
    p.EExt = "exe,zip";
    p.newWindowAction = NewWindowAction::Ignore;
    p.EPopupParam = "/width=1";
    p.ChAdmin = true;
    p.EZusatzProgOrt = "setup.exe";
    p.EExeParam = "/q";
    p.EZusatzProgOrt2 = "bye.exe";
    p.EExeParam2 = "/s";
    p.EPasswort = "geheim";
    p.EBMPOrt = "skin.bmp";
    p.Eskinx = "1";
    p.ESkiny = "2";
    p.ESkinw = "3";
    p.ESkinh = "4";
    p.Eminx = "5";
    p.Eminy = "6";
    p.Eminw = "7";
    p.Eminh = "8";
    p.Eclosex = "9";
    p.Eclosey = "10";
    p.Eclosew = "11";
    p.Ecloseh = "12";
    p.ESplashOrt = "splash.jpg";
    p.ETransparencyColor = "FF00FF";
    p.LBShortcuts = {"F1", "Strg+A"};
    return p;
}

} // namespace qv::test
