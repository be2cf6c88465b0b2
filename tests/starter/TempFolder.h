#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A temporary folder that the test fills with files; removed with the object.
class TempFolder {
public:
    TempFolder() { EXPECT_TRUE(dir_.isValid()); }

    // The folder, ending with "/".
    QString Path() const { return dir_.path() + QLatin1Char('/'); }
    QString File(const QString& name) const { return Path() + name; }

    // Writes `bytes` (taken as they are) to a file of the folder, creating sub-folders.
    QString Write(const QString& name, const QByteArray& bytes) const
    {
        const QString path = File(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
        return path;
    }

private:
    QTemporaryDir dir_;
};
