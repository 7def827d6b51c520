#include "PackageFixture.h"

#include "components/ManifestSignature.h"
#include "components/MinisignKey.h"
#include "components/TrustedKeys.h"
#include "components/UpdatePackage.h"
#include "components/UpdatePackageQuartermaster.h"
#include "services/Trace.h"

class PackageSignatureTest : public PackageFixture {
protected:
    // Loads the package into a fresh folder; the folder's files after the load.
    Snapshot loadInto(const QString& file, UpdatePackage& package, bool expected)
    {
        QTemporaryDir into;
        EXPECT_EQ(package.load(file, into.path()), expected) << package.error().toStdString();
        return snapshot(into.path());
    }
};

TEST_F(PackageSignatureTest, PackageSignedByTheRealMinisignWithATrustedKeyIsAccepted)
{
    const QString file = placePackage(QStringLiteral("p.tar.gz"), goodPackage);
    UpdatePackage package;
    EXPECT_EQ(loadInto(file, package, true).size(), 3);
    EXPECT_FALSE(package.signatureRefused());
    EXPECT_EQ(package.version().toString(), QStringLiteral("1.0.0"));
}

TEST_F(PackageSignatureTest, RefusedSignatureUnpacksNothingAndIsMarkedAsSuch)
{
    for (const char* what : {"unsigned", "unknown key", "legacy signature", "manifest changed after signing",
                             "trusted comment changed", "signature not minisign's"}) {
        const QString file = placePackage(QStringLiteral("p.tar.gz"), hostilePackage(what).build);
        UpdatePackage package;
        EXPECT_TRUE(loadInto(file, package, false).isEmpty()) << what;
        EXPECT_TRUE(package.signatureRefused()) << what;
        UpdatePackage manifestOnly;
        EXPECT_FALSE(manifestOnly.loadManifest(file)) << what;
        EXPECT_EQ(manifestOnly.error(), package.error()) << what;
    }
}

TEST_F(PackageSignatureTest, KeysComeOnlyFromTheTrustedFoldersAndBadKeyFilesArePassedOver)
{
    const QString file = placePackage(QStringLiteral("p.tar.gz"), goodPackage);
    QTemporaryDir keys;
    qputenv(TrustedKeys::kEnvironment, keys.path().toUtf8());
    UpdatePackage package;
    const bool systemKeys = !TrustedKeys::load().isEmpty();
    EXPECT_FALSE(package.load(file));
    // A kiosk with keys of its own in /etc/pcquiba/keys does not know this test's key either.
    EXPECT_TRUE(package.error().startsWith(QStringLiteral("Update package p.tar.gz: ")
                                           + (systemKeys ? ManifestSignature::kUnknownKey
                                                         : ManifestSignature::kNoTrustedKey)))
        << package.error().toStdString();

    // A file that is not a key, a key with a broken body, and a key file not named *.pub.
    write(keys.path() + QStringLiteral("/junk.pub"), "untrusted comment: junk\nnot base64 at all\n");
    write(keys.path() + QStringLiteral("/short.pub"), "untrusted comment: short\nRWQAAAAA\n");
    write(keys.path() + QStringLiteral("/key.txt"), read(MinisignTestKey::trusted().publicKeyFile()));
    EXPECT_FALSE(package.load(file));
    EXPECT_TRUE(package.signatureRefused());

    write(keys.path() + QStringLiteral("/key.pub"), read(MinisignTestKey::trusted().publicKeyFile()));
    EXPECT_TRUE(package.load(file)) << package.error().toStdString();
}

TEST_F(PackageSignatureTest, KeyFileAsMinisignWritesIt)
{
    const auto key = MinisignKey::fromFile(MinisignTestKey::trusted().publicKeyFile());
    ASSERT_TRUE(key);
    EXPECT_EQ(key->key().size(), MinisignKey::kKeySize);
    // The id minisign prints in the key file's comment.
    EXPECT_TRUE(read(MinisignTestKey::trusted().publicKeyFile()).contains(key->idText().toLatin1()));
    // As minisign prints it: a little-endian number without leading zeros.
    EXPECT_EQ(MinisignKey::idText(QByteArray::fromHex("25D9CF4D2A301C0A")), QStringLiteral("A1C302A4DCFD925"));
    EXPECT_EQ(MinisignKey::idText(QByteArray(8, '\0')), QStringLiteral("0"));
    EXPECT_FALSE(MinisignKey::fromText("untrusted comment: x\n"));
    EXPECT_FALSE(MinisignKey::fromText(QByteArray(5000, 'A')));
}

TEST_F(PackageSignatureTest, UpdateLogsASignatureRefusalAtLevelFive)
{
    placePackage(QStringLiteral("p.tar.gz"), hostilePackage("unsigned").build);
    QString name = QStringLiteral("p.tar.gz");
    UpdatePackageQuartermaster(ini).beginUpdate(name);
    ASSERT_FALSE(logger->lines.isEmpty());
    EXPECT_EQ(logger->lines.last().severity, Trace::CommandFailureSeverity);
    EXPECT_EQ(logger->lines.last().text,
              QStringLiteral("Command Failed: Update package p.tar.gz: ") + ManifestSignature::kNotSigned);
}
