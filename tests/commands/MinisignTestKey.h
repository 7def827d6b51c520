#pragma once

#include "components/TrustedKeys.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// A minisign key pair made with the real minisign (`minisign -G -W`, no password), once per test
// program, in a folder of its own. The trusted key's folder is what PCQUIBA_TRUSTED_KEYS names
// while a PackageFixture test runs; the other key is trusted by nobody.
class MinisignTestKey {
public:
    static const MinisignTestKey& trusted()
    {
        static const MinisignTestKey key;
        return key;
    }
    static const MinisignTestKey& stranger()
    {
        static const MinisignTestKey key;
        return key;
    }

    // The folder that holds only this key's public key file, key.pub.
    QString folder() const { return m_folder->path() + QStringLiteral("/public"); }
    QString publicKeyFile() const { return folder() + QStringLiteral("/key.pub"); }
    QString secretKeyFile() const { return m_folder->path() + QStringLiteral("/key.key"); }

    // The MANIFEST.minisig minisign writes for the text: prehashed, or in the legacy form.
    QByteArray sign(const QByteArray& manifest, bool legacy = false,
                    const QString& trustedComment = QStringLiteral("pcQUIBA test package")) const
    {
        const QString file = m_folder->path() + QStringLiteral("/MANIFEST");
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(manifest) != manifest.size()) {
            ADD_FAILURE() << "cannot write " << file.toStdString();
            return {};
        }
        out.close();
        QStringList arguments{QStringLiteral("-S"), QStringLiteral("-s"), secretKeyFile(), QStringLiteral("-t"),
                              trustedComment, QStringLiteral("-m"), file};
        if (legacy)
            arguments << QStringLiteral("-l");
        run(arguments);
        QFile signature(file + QStringLiteral(".minisig"));
        EXPECT_TRUE(signature.open(QIODevice::ReadOnly));
        return signature.readAll();
    }

    static void run(const QStringList& arguments)
    {
        QProcess minisign;
        minisign.start(QStringLiteral("minisign"), arguments);
        minisign.closeWriteChannel();
        EXPECT_TRUE(minisign.waitForFinished(-1)) << "minisign did not run";
        EXPECT_EQ(minisign.exitCode(), 0) << minisign.readAllStandardError().toStdString();
    }

private:
    MinisignTestKey() : m_folder(std::make_unique<QTemporaryDir>())
    {
        QDir().mkpath(folder());
        run({QStringLiteral("-G"), QStringLiteral("-W"), QStringLiteral("-p"), publicKeyFile(), QStringLiteral("-s"),
             secretKeyFile()});
    }

    std::unique_ptr<QTemporaryDir> m_folder;
};
