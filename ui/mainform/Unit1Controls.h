#pragma once

// Every control of the designer window by its product name. The frame with the side menu, the
// start page and the step buttons comes from Unit1.ui and is made with the window; each further
// page has a form of its own, filled into its (empty) page widget by TForm1::BuildPages, so that
// the window appears before the controls of the pages nobody sees yet are made. Until then the
// members of those forms are null.
#include "ui_Unit1.h"
#include "ui_Unit1Fenster.h"
#include "ui_Unit1Grund.h"
#include "ui_Unit1Input.h"
#include "ui_Unit1Neufenster.h"
#include "ui_Unit1Optisch.h"
#include "ui_Unit1Skin.h"
#include "ui_Unit1Speichern.h"
#include "ui_Unit1Ueber.h"
#include "ui_Unit1Zusatz.h"

struct TForm1Controls : Ui::TForm1,
                        Ui::PageGrund,
                        Ui::PageFenster,
                        Ui::PageOptisch,
                        Ui::PageInput,
                        Ui::PageZusatz,
                        Ui::PageNeufenster,
                        Ui::PageSkin,
                        Ui::PageSpeichern,
                        Ui::PageUeber {
    // The pages' forms in menu order.
    void setupPages()
    {
        Ui::PageGrund::setupUi(pgrund);
        Ui::PageFenster::setupUi(pfenster);
        Ui::PageOptisch::setupUi(poptisch);
        Ui::PageInput::setupUi(pinput);
        Ui::PageZusatz::setupUi(pzusatz);
        Ui::PageNeufenster::setupUi(pneufenster);
        Ui::PageSkin::setupUi(pskin);
        Ui::PageSpeichern::setupUi(pspeichern);
        Ui::PageUeber::setupUi(pueber);
    }
};
