// What the burn step reads from xorriso, with the lines xorriso 1.5 really prints, and the
// command lines it gives the burners.
#include "ui/discstep/BurnSteps.h"

#include <gtest/gtest.h>

namespace {

using qv::ui::BurnDrive;

TEST(BurnSteps, DrivesAreTheWritableOnesOfXorrisoDevices)
{
    const char* output =
        "xorriso 1.5.4 : RockRidge filesystem manipulator, libburnia project.\n"
        "\n"
        "Beginning to scan for devices ...\n"
        "Full drive scan done\n"
        "-----------------------------------------------------------------------------\n"
        "0  -dev '/dev/sr0' rwrw-- :  'HL-DT-ST' 'DVDRAM GH24NSD1 '\n"
        "1  -dev '/dev/sr1' r-r--- :  'ASUS    ' 'DRW-24F1ST   a'\n"
        "2  -dev '/dev/sr2' rwrw-- :  '        ' '        '\n"
        "-----------------------------------------------------------------------------\n"
        "xorriso : NOTE : -dev '/dev/sr9' is not listed\n";
    const std::vector<BurnDrive> drives = qv::ui::ParseXorrisoDevices(output);
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].device, "/dev/sr0");
    EXPECT_EQ(drives[0].name, "HL-DT-ST DVDRAM GH24NSD1");
    EXPECT_EQ(drives[1].device, "/dev/sr2");
    EXPECT_EQ(drives[1].name, "/dev/sr2"); // no vendor, no product: the address
    EXPECT_TRUE(qv::ui::ParseXorrisoDevices("SORRY : No drives found\r\n").empty());
    EXPECT_TRUE(qv::ui::ParseXorrisoDevices("0  -dev '' rwrw-- :  'A' 'B'\n").empty());
}

TEST(BurnSteps, MediumTellsPresenceBlanknessAndRoom)
{
    struct Case {
        const char* name;
        const char* output;
        bool present;
        bool blank;
        std::uint64_t freeSectors;
    } const cases[] = {
        {"blank file as drive",
         "Drive current: -outdev 'stdio:/tmp/d'\nMedia current: stdio file, overwriteable\nMedia status : is blank\n"
         "Media summary: 0 sessions, 0 data blocks, 0 data, 67.7g free\nMedia space  : 35488076s\n"
         "After commit : 35488076s\n",
         true, true, 35488076},
        {"written and appendable",
         "Media status : is written , is appendable\nMedia space  : 2251456s\n", true, false, 2251456},
        {"written and closed", "Media status : is written , is closed\nMedia space  : 0s\n", true, false, 0},
        {"no disc", "Media current: is not present\nMedia status : is not present\n", false, false, 0},
        {"drive not acquired",
         "libburn : SORRY : Neither stdio-path nor its directory exist\n"
         "xorriso : FAILURE : Cannot acquire drive 'stdio:/x/y'\n",
         false, false, 0},
        {"carriage returns", "Media status : is blank\r\nMedia space  : 359846s\r\n", true, true, 359846},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qv::ui::BurnMedium medium = qv::ui::ParseXorrisoMedium(c.output);
        EXPECT_EQ(medium.present, c.present);
        EXPECT_EQ(medium.blank, c.blank);
        EXPECT_EQ(medium.freeSectors, c.freeSectors);
    }
}

TEST(BurnSteps, ProgressComesOnlyFromUpdateLines)
{
    const auto progress = qv::ui::ParseXorrisoProgress("xorriso : UPDATE :   12 of   30 MB written (fifo 95%) [buf  50%]   4.0x.");
    ASSERT_TRUE(progress);
    EXPECT_EQ(progress->doneMb, 12u);
    EXPECT_EQ(progress->totalMb, 30u);
    for (const char* line : {"Beginning to write data track.",
                             "xorriso : UPDATE : Thank you for being patient. Working since 5 seconds.",
                             "xorriso : UPDATE :  x of 30 MB written",
                             "Writing to 'stdio:/tmp/d' completed successfully.", ""})
        EXPECT_FALSE(qv::ui::ParseXorrisoProgress(line)) << line;
}

TEST(BurnSteps, FailureIsTheLastReasonXorrisoGave)
{
    EXPECT_EQ(qv::ui::XorrisoFailure("libburn : SORRY : Neither stdio-path nor its directory exist\n"
                                     "xorriso : FAILURE : Cannot acquire drive 'stdio:/x/y'\n"
                                     "xorriso : aborting : -abort_on 'FAILURE' encountered 'FAILURE'\n"),
              "Cannot acquire drive 'stdio:/x/y'");
    EXPECT_EQ(qv::ui::XorrisoFailure("Writing to 'stdio:/tmp/d' completed successfully.\n"), "");
}

TEST(BurnSteps, CommandLinesKeepTheImageOneArgument)
{
    const std::string image = "/home/anna/-Menü mit Blank.iso";
    EXPECT_EQ(qv::ui::XorrisoBurnArguments("/dev/sr0", image),
              (std::vector<std::string>{"-as", "cdrecord", "-v", "dev=/dev/sr0", image}));
    EXPECT_EQ(qv::ui::XorrisoBurnArguments("/dev/sr0", "-v.iso").back(), "./-v.iso");
    EXPECT_EQ(qv::ui::XorrisoMediumArguments("/dev/sr0"),
              (std::vector<std::string>{"-outdev", "/dev/sr0", "-tell_media_space"}));
    EXPECT_EQ(qv::ui::IsoburnArguments("E:", "C:\\Daten\\menü.iso"),
              (std::vector<std::string>{"/Q", "E:", "C:\\Daten\\menü.iso"}));
    EXPECT_EQ(qv::ui::BraseroArguments(image), (std::vector<std::string>{"--image", image}));
    EXPECT_EQ(qv::ui::K3bArguments(image), (std::vector<std::string>{"--cdimage", image}));
    EXPECT_EQ(qv::ui::SectorsOf(0), 0u);
    EXPECT_EQ(qv::ui::SectorsOf(1), 1u);
    EXPECT_EQ(qv::ui::SectorsOf(2048), 1u);
    EXPECT_EQ(qv::ui::SectorsOf(2049), 2u);
}

} // namespace
