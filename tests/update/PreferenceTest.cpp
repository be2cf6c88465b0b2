#include "update/Preference.h"
#include "UpdateTestSupport.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

class Preference : public UpdateFolders {
protected:
    QString storeFile() const { return config.filePath(QStringLiteral("Quorvane/Quorvane.conf")); }

    // Writes the store as another program (or a hand edit) might have left it.
    void writeStore(const QByteArray& contents)
    {
        QDir().mkpath(config.filePath(QStringLiteral("Quorvane")));
        QFile file(storeFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
};

TEST_F(Preference, ReadsAndWritesTextInTheUserConfigurationFolder)
{
    EXPECT_EQ(qv::ReadPreference("updatecheck"), "");
    qv::WritePreference("updatecheck", "F");
    EXPECT_EQ(qv::ReadPreference("updatecheck"), "F");
    qv::WritePreference("updatecheck", "T");
    EXPECT_EQ(qv::ReadPreference("updatecheck"), "T");
    EXPECT_TRUE(QFile::exists(storeFile()));
    EXPECT_EQ(QSettings(storeFile(), QSettings::IniFormat).value("updatecheck").toString(), "T");
}

TEST_F(Preference, OnlyModesZeroAndOneDoAnything)
{
    EXPECT_EQ(qv::RegistryPreference(1, "updatecheck", "F"), "");
    EXPECT_EQ(qv::RegistryPreference(2, "updatecheck", "T"), "");
    EXPECT_EQ(qv::RegistryPreference(-1, "updatecheck", "T"), "");
    EXPECT_EQ(qv::RegistryPreference(0, "updatecheck"), "F");
}

TEST_F(Preference, AStoreThatCannotBeWrittenReadsEmpty)
{
    // A plain file where the folder should be: nothing can be stored below it.
    QFile blocker(config.filePath(QStringLiteral("Quorvane")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qv::WritePreference("updatecheck", "F");
    EXPECT_EQ(qv::ReadPreference("updatecheck"), "");
    EXPECT_TRUE(qv::UpdateCheckAtStartup());
}

TEST_F(Preference, StartupDecisionSwitchesOffOnlyForExactlyF)
{
    const struct {
        const char* stored;   // nullptr: no value
        bool on;
        const char* after;
    } cases[] = {
        {nullptr, true, "T"}, {"", true, "T"}, {"T", true, "T"}, {"F", false, "F"},
        {"f", true, "f"},     {"F ", true, "F "}, {"no", true, "no"}, {"FALSE", true, "FALSE"},
    };
    for (const auto& c : cases) {
        QFile::remove(storeFile());
        if (c.stored)
            qv::WritePreference("updatecheck", QString::fromUtf8(c.stored));
        EXPECT_EQ(qv::UpdateCheckAtStartup(), c.on) << (c.stored ? c.stored : "(missing)");
        EXPECT_EQ(qv::ReadPreference("updatecheck"), QString::fromUtf8(c.after)) << (c.stored ? c.stored : "(missing)");
    }
}

TEST_F(Preference, AValueOfAnotherTypeCountsAsOn)
{
    for (const QByteArray& value : {QByteArray("F, F"), QByteArray("@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x1)")}) {
        writeStore("[General]\nupdatecheck=" + value + "\n");
        EXPECT_EQ(qv::ReadPreference("updatecheck"), "T") << value.toStdString();
        EXPECT_TRUE(qv::UpdateCheckAtStartup()) << value.toStdString();
    }
}

} // namespace
