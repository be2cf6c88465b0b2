#include "FileFixture.h"
#include "ui/project/ProjectFiles.h"

#include <functional>

using namespace qv::ui;

TEST(ProjectFiles, DigestIsTheMd5OfTheWholeFile)
{
    QTemporaryDir dir;
    struct Case {
        QByteArray content;
        const char* md5;
    };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {QByteArray(100000, 'a'), "1af6d6f2f682f76f80e606aeaaee1680"},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("f"));
        testfiles::Write(path, c.content);
        const FileDigest digest = FileMD5Hex(path);
        EXPECT_TRUE(digest.ok()) << digest.error.toStdString();
        EXPECT_EQ(digest.hex, QLatin1String(c.md5)) << c.content.size();
    }
    for (const QString& unreadable : {dir.filePath(QStringLiteral("fehlt")), dir.path()}) {
        const FileDigest digest = FileMD5Hex(unreadable);
        EXPECT_FALSE(digest.ok()) << unreadable.toStdString();
        EXPECT_TRUE(digest.hex.isEmpty());
    }
}

TEST(ProjectFiles, AtomicWriteReplacesTheFileOrLeavesItAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("starter.ini"));
    const QByteArray first("[quorvane]\r\ncaption=Men\xfc\r\n");
    EXPECT_EQ(WriteFileAtomically(path, first), QString());
    EXPECT_EQ(testfiles::Read(path), first);
    EXPECT_EQ(WriteFileAtomically(path, "x\r\n"), QString());
    EXPECT_EQ(testfiles::Read(path), "x\r\n");

    // A folder that may not be written: no temporary file, the old file stays whole.
    {
        testfiles::ReadOnly lock(dir.path());
        if (!lock.ok())
            GTEST_SKIP() << "this file system cannot refuse writing to the current user";
        const QString reason = WriteFileAtomically(path, "neu\r\n");
        EXPECT_FALSE(reason.isEmpty());
        EXPECT_EQ(testfiles::Read(path), "x\r\n");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"starter.ini"});

    // A file that may not be written is not replaced behind its back.
    {
        testfiles::ReadOnly lock(path);
        if (!lock.ok())
            GTEST_SKIP() << "this file system cannot refuse writing to the current user";
        EXPECT_FALSE(WriteFileAtomically(path, "neu\r\n").isEmpty());
        EXPECT_EQ(testfiles::Read(path), "x\r\n");
    }
    // A folder of that name.
    EXPECT_FALSE(WriteFileAtomically(dir.path(), "neu").isEmpty());
}

TEST(ProjectFiles, CopyOverwritesWithTheSourcesContentAndKeepsItRunnable)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("Beispiele/starter.exe"));
    const QString target = dir.filePath(QStringLiteral("starter.exe"));
    testfiles::Write(source, "#!/bin/sh\n");
    QFile::setPermissions(source, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                      | QFileDevice::ExeOther);

    EXPECT_TRUE(CopyFileOverwriting(source, target));
    EXPECT_EQ(testfiles::Read(target), "#!/bin/sh\n");
    EXPECT_TRUE(QFileInfo(target).isExecutable());
    EXPECT_TRUE(QFile::permissions(target) & QFileDevice::WriteOwner) << "the user's copy stays replaceable";

    testfiles::Write(target, "alt");
    EXPECT_TRUE(CopyFileOverwriting(source, target));
    EXPECT_EQ(testfiles::Read(target), "#!/bin/sh\n");

    testfiles::Write(target, "alt");
    {
        testfiles::ReadOnly lock(target);
        if (!lock.ok())
            GTEST_SKIP() << "this file system cannot refuse writing to the current user";
        EXPECT_FALSE(CopyFileOverwriting(source, target));
        EXPECT_EQ(testfiles::Read(target), "alt");
    }
    EXPECT_FALSE(CopyFileOverwriting(dir.filePath(QStringLiteral("fehlt.exe")), target));
    EXPECT_EQ(testfiles::Read(target), "alt");
}

namespace {

using testfiles::ScopedWriteFault;

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

TEST(ProjectFiles, AFailedStepOfTheWriteKeepsTheOldFileAndLeavesNothingBehind)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("starter.ini"));
    const QString source = dir.filePath(QStringLiteral("quelle.exe"));
    const QString copy = dir.filePath(QStringLiteral("starter.exe"));
    testfiles::Write(source, "neuer starter");
    struct Case {
        WriteStep step;
        int error;
    };
    const Case cases[] = {
        {WriteStep::Create, EACCES}, {WriteStep::Write, ENOSPC}, {WriteStep::Sync, EIO},
        {WriteStep::Close, EDQUOT},  {WriteStep::Rename, EXDEV},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.step));
        testfiles::Write(path, "alt");
        testfiles::Write(copy, "alter starter");
        ScopedWriteFault fault([&](WriteStep step) { return step == c.step ? c.error : 0; });

        EXPECT_EQ(WriteFileAtomically(path, "[quorvane]\r\n"), qt_error_string(c.error));
        EXPECT_EQ(testfiles::Read(path), "alt");
        EXPECT_FALSE(CopyFileOverwriting(source, copy));
        EXPECT_EQ(testfiles::Read(copy), "alter starter");
        EXPECT_EQ(FilesIn(dir.path()), (QStringList{"quelle.exe", "starter.exe", "starter.ini"}));
    }
    EXPECT_EQ(WriteFileAtomically(path, "neu"), QString()) << "the fault is gone with its scope";
    EXPECT_EQ(testfiles::Read(path), "neu");
}

#ifdef Q_OS_LINUX
TEST(ProjectFiles, AFullDiskKeepsTheOldFile)
{
    testfiles::SmallDisk disk;
    if (!disk.ok())
        GTEST_SKIP() << disk.why();
    const QString path = disk.path() + QStringLiteral("starter.ini");
    const QString copy = disk.path() + QStringLiteral("starter.exe");
    QTemporaryDir elsewhere;
    const QString source = elsewhere.filePath(QStringLiteral("starter.exe"));
    testfiles::Write(source, "#!/bin/sh\n");
    testfiles::Write(path, "[quorvane]\r\ncaption=alt\r\n");
    testfiles::Write(copy, "alter starter");
    disk.Fill();
    ASSERT_EQ(disk.Free(), 0);

    // Small enough to sit in a write buffer: the failure shows only when it is flushed.
    const QString reason = WriteFileAtomically(path, "[quorvane]\r\ncaption=neu und l\xe4nger\r\n");
    EXPECT_EQ(reason, qt_error_string(ENOSPC));
    EXPECT_EQ(testfiles::Read(path), "[quorvane]\r\ncaption=alt\r\n");
    EXPECT_FALSE(CopyFileOverwriting(source, copy));
    EXPECT_EQ(testfiles::Read(copy), "alter starter");
    EXPECT_EQ(FilesIn(disk.path()), (QStringList{".filler", "starter.exe", "starter.ini"}));
}

TEST(ProjectFiles, TheCopyReplacesALinkWhileTheConfigurationIsWrittenThroughOne)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("Beispiele/starter.exe"));
    testfiles::Write(source, "#!/bin/sh\n");
    QFile::setPermissions(source, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString own = dir.filePath(QStringLiteral("eigene.txt"));
    testfiles::Write(own, "privat");
    QFile::setPermissions(own, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QString starter = dir.filePath(QStringLiteral("projekt/starter.exe"));
    QDir().mkpath(dir.filePath(QStringLiteral("projekt")));
    ASSERT_TRUE(QFile::link(own, starter));

    EXPECT_TRUE(CopyFileOverwriting(source, starter));
    EXPECT_EQ(testfiles::Read(own), "privat") << "nothing is written through the link";
    EXPECT_EQ(QFile::permissions(own) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(testfiles::NodeKind(starter), 'f');
    EXPECT_EQ(testfiles::Read(starter), "#!/bin/sh\n");
    EXPECT_TRUE(QFileInfo(starter).isExecutable());

    // A configuration saved through a link to it keeps updating the file the link points to.
    const QString real = dir.filePath(QStringLiteral("echt.ini"));
    const QString config = dir.filePath(QStringLiteral("projekt/starter.ini"));
    testfiles::Write(real, "alt");
    ASSERT_TRUE(QFile::link(real, config));
    EXPECT_EQ(WriteFileAtomically(config, "neu"), QString());
    EXPECT_EQ(testfiles::NodeKind(config), 'l');
    EXPECT_EQ(testfiles::Read(real), "neu");
}

TEST(ProjectFiles, OnlyRegularFilesAreDigestedCopiedOrReplaced)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("starter.exe"));
    testfiles::Write(file, "#!/bin/sh\n");
    for (char kind : {'p', 'c'}) {
        SCOPED_TRACE(kind);
        const QString node = dir.filePath(QStringLiteral("knoten"));
        QFile::remove(node);
        if (!testfiles::MakeNode(node, kind))
            GTEST_SKIP() << "this system does not let the test make a " << kind << " node";
        const QString link = dir.filePath(QStringLiteral("verweis"));
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(node, link));
        testfiles::PipeReleaser release(node);

        for (const QString& path : {node, link}) {
            EXPECT_FALSE(FileMD5Hex(path).ok()) << path.toStdString();
            EXPECT_FALSE(CopyFileOverwriting(path, dir.filePath(QStringLiteral("kopie")))) << path.toStdString();
        }
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("kopie"))));
        EXPECT_FALSE(WriteFileAtomically(node, "x").isEmpty());
        EXPECT_FALSE(CopyFileOverwriting(file, node));
        EXPECT_EQ(testfiles::NodeKind(node), kind) << "left as it was";
    }
}
#endif

TEST(ProjectFiles, FolderRulesOfTheHost)
{
    struct Case {
        const char* path;
        const char* folder;
    };
    const Case folders[] = {
        {"/home/a/starter.ini", "/home/a/"}, {"C:\\Projekt\\autorun.inf", "C:\\Projekt\\"},
        {"C:autorun.inf", "C:"},             {"starter.ini", ""},
        {"", ""},                            {"/home/a/", "/home/a/"},
    };
    for (const Case& c : folders)
        EXPECT_EQ(FolderOf(QString::fromUtf8(c.path)), QString::fromUtf8(c.folder)) << c.path;

    const Case trailing[] = {
        {"/home/a", "/home/a/"}, {"/home/a/", "/home/a/"}, {"/", "/"}, {"/home/Ärger", "/home/Ärger/"},
    };
    for (const Case& c : trailing)
        EXPECT_EQ(WithTrailingSeparator(QString::fromUtf8(c.path)), QString::fromUtf8(c.folder)) << c.path;
    EXPECT_EQ(ExamplesStarterPath(QStringLiteral("/opt/q")), QStringLiteral("/opt/q/Beispiele/starter.exe"));
}

TEST(ProjectFiles, CommandLineFileIsAbsoluteOrBesideTheProgramOrInTheCurrentFolder)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("programm"));
    const QString current = dir.filePath(QStringLiteral("arbeit"));
    testfiles::Write(program + QStringLiteral("/neben.ini"), "[quorvane]\n");
    testfiles::Write(program + QStringLiteral("/beide.ini"), "[quorvane]\n");
    testfiles::Write(current + QStringLiteral("/beide.ini"), "[quorvane]\n");
    testfiles::Write(current + QStringLiteral("/hier.ini"), "[quorvane]\n");
    testfiles::Write(current + QStringLiteral("/sub/tief.ini"), "[quorvane]\n");
    const QString absolute = current + QStringLiteral("/hier.ini");

    struct Case {
        QString argument;
        QString expected;
    };
    const Case cases[] = {
        {QString(), QString()},
        {QStringLiteral("neben.ini"), program + QStringLiteral("/neben.ini")},
        {QStringLiteral("beide.ini"), program + QStringLiteral("/beide.ini")}, // beside the program first
        {QStringLiteral("hier.ini"), current + QStringLiteral("/hier.ini")},
        {QStringLiteral("./sub/tief.ini"), current + QStringLiteral("/sub/tief.ini")},
        {absolute, absolute},
        {QStringLiteral("fehlt.ini"), QString()},
        {current + QStringLiteral("/fehlt.ini"), QString()},
        {QStringLiteral("sub"), QString()},                               // a folder is no file
        {QLatin1Char('/') + absolute, QString()},                         // "//..." counts as relative
        {QStringLiteral("\\\\server\\share\\starter.ini"), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveCommandLineFile(c.argument, program, current), c.expected) << c.argument.toStdString();
}

#ifndef Q_OS_WIN
TEST(ProjectFiles, LinuxRuntimeBesideTheDesignerFirstThenOnPath)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("programm"));
    const QString onPath = dir.filePath(QStringLiteral("pfad"));
    QDir().mkpath(program);
    QDir().mkpath(onPath);
    const QString beside = program + QStringLiteral("/quorvane-starter");
    const QString found = onPath + QStringLiteral("/quorvane-starter");
    const auto executable = [](const QString& path, bool mode) {
        testfiles::Write(path, "#!/bin/sh\n");
        const auto base = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        QFile::setPermissions(path, mode ? base | QFileDevice::ExeOwner : base);
    };
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", onPath.toLocal8Bit());
    struct Case {
        bool besideFile, besideExecutable, pathFile;
        QString expected;
    };
    const Case cases[] = {
        {true, true, true, beside},     // beside the designer wins
        {true, false, true, found},     // a file that cannot run there does not count
        {false, false, true, found},    // then PATH
        {false, false, false, beside},  // neither: the place beside the designer
    };
    for (const Case& c : cases) {
        QFile::remove(beside);
        QFile::remove(found);
        if (c.besideFile)
            executable(beside, c.besideExecutable);
        if (c.pathFile)
            executable(found, true);
        EXPECT_EQ(LinuxRuntimePath(program), c.expected) << c.besideFile << c.besideExecutable << c.pathFile;
    }
    qputenv("PATH", savedPath);
}
#endif
