#include "ParameterForm.h"

#include "ConfigWriter.h"
#include "Loader.h"
#include "ProfileReader.h"
#include "SampleProjects.h"

#include <gtest/gtest.h>

namespace {

// What the parameter line of a project reads back to must be what its starter.ini reads back to.
TEST(ParameterForm, ReadsBackWhatTheWriterWroteAsTheSectionDoes)
{
    qv::ProjectSettings withBlanks = qv::test::Everything();
    withBlanks.ETitel = qv::W("Mein \"schönes\" Menü");
    withBlanks.EPasswort = "50% & mehr";
    withBlanks.ChFullscreen = false;
    for (const qv::ProjectSettings& project : {qv::test::WorkedExample(), qv::test::Everything(), withBlanks}) {
        const std::string line = qv::BuildConfiguration(project, 2).configText.at(0);
        SCOPED_TRACE(line);
        ASSERT_EQ(line.rfind("starter.exe ", 0), 0u);
        const qv::ProfileFile section =
            qv::ProfileFile::Parse(qv::ConfigFileBytes(qv::BuildConfiguration(project, 0).configText, 0));
        qv::ProjectSettings expected = qv::LoadSettings(section, "", qv::ProjectSettings{}).settings;
        // The parameter form carries no double quote inside a value.
        for (std::string* text : {&expected.ETitel, &expected.EPopupParam})
            std::erase(*text, '"');
        const qv::ProjectSettings read = qv::SettingsFromParameters(line.substr(12));
        EXPECT_EQ(read.ETitel, expected.ETitel);
        EXPECT_EQ(read.EPopupParam, expected.EPopupParam);
        EXPECT_TRUE(read == expected);
        EXPECT_EQ(read.EPasswort, project.EPasswort);
        EXPECT_EQ(read.LBShortcuts, expected.LBShortcuts);
    }
}

TEST(ParameterForm, ToleratesTokensItDoesNotKnow)
{
    const struct {
        const char* line;
        const char* startfile;
        const char* caption;
    } cases[] = {
        {"/startfile=a.html /caption=\"A B\"", "a.html", "A B"},
        {"  /startfile=a.html\t/caption=B  ", "a.html", "B"},
        {"startfile=a.html /caption=B", "", "B"},                 // no slash: not a setting
        {"/startfile /caption=B /startfile=c.html", "c.html", "B"}, // no "=": skipped
        {"/caption=\"offen bis zum Ende", "", "offen bis zum Ende"},
        {"/STARTFILE=a.html /startfile=b.html", "a.html", ""},      // names ignore case, the first wins
        {"/caption=", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const qv::ProjectSettings p = qv::SettingsFromParameters(c.line);
        EXPECT_EQ(p.EHTMLOrt, c.startfile);
        EXPECT_EQ(p.ETitel, c.caption);
    }
}

} // namespace
