#include "core/appcontext.h"
#include "core/error.h"
#include "core/tickcount.h"
#include "crypto/masterpassword.h"
#include "crypto/passwordcrypt.h"
#include "core/projectdocument.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include "support/testhome.h"

TEST(PasswordCrypt, KeyScrambleOfDigestsUsesDigitsAndLettersBToV)
{
    EXPECT_EQ(Md5Hex("abc"), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
    const QRegularExpression alphabet(QStringLiteral("^[0-9b-v]{16}$"));
    for (int tick : { 0, 1, 999, 123456, 2147483647, -1 }) {
        const QString scrambled = KeyScramble(Md5Hex(QString::number(quint32(tick))));
        EXPECT_TRUE(alphabet.match(scrambled).hasMatch()) << qPrintable(scrambled);
    }
    // Worked by hand: skip 0 at "0", move 1 to "1" (+1 = "2"); move 1 to "2", skip 2 to "4",
    // move 2 to "6" (+2 = "8"); ...
    EXPECT_EQ(KeyScramble("0123456789abcdef0123456789abcdef").left(2), QStringLiteral("28"));
    EXPECT_NE(KeyScramble(Md5Hex("1")), KeyScramble(Md5Hex("2")));
}

// Blocks of the clear value, "-" and the tick text, then the 32-character salt digest.
TEST(PasswordCrypt, StoredTextHasOneHexPairPerCipherByteAndTheSaltDigest)
{
    const struct {
        QString plain;
        quint32 tick;
        int length;
    } cases[] = {
        { "", 123456, 16 + 32 },             // "-123456": one block
        { "", 1234567890, 32 + 32 },         // "-1234567890": two blocks
        { "abcdefg", 4000000000u, 48 + 32 }, // 18 bytes: three blocks
        { "a-b--c", 77, 32 + 32 },           // every "-" but the salt's stays
        { "パスワード", 5, 32 + 32 },        // code page bytes
        { QString::fromUtf8("\xF0\x9F\x94\x91"), 5, 32 + 32 }, // beyond the code page
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plain.toStdString());
        const QString stored = PasswordEncryptValue(c.plain, "master12", c.tick);
        EXPECT_EQ(stored.size(), c.length);
        EXPECT_TRUE(QRegularExpression("^[0-9a-f]+$").match(stored).hasMatch());
        EXPECT_EQ(stored.right(32), Md5Hex(QString::number(c.tick)));
        EXPECT_EQ(PasswordDecryptValue(stored, "master12"), c.plain);
    }
    EXPECT_NE(PasswordEncryptValue("secret", "master12", 1000), PasswordEncryptValue("secret", "master12", 1001));
    EXPECT_EQ(PasswordDecryptValue(PasswordEncryptValue("secret", "", 9), ""), QStringLiteral("secret"));
}

TEST(PasswordCrypt, StoredTextsThatYieldNoValue)
{
    const QString stored = PasswordEncryptValue("secret", "master12", 31337);
    // A wrong master password never hands back arbitrary text.
    for (const char* wrong : { "", "master13", "MASTER12", "m" })
        EXPECT_EQ(PasswordDecryptValue(stored, wrong), std::nullopt) << wrong;
    EXPECT_EQ(PasswordDecryptValue(stored.left(32), "master12"), std::nullopt);
    EXPECT_EQ(PasswordDecryptValue("", "master12"), std::nullopt);
    EXPECT_EQ(PasswordDecryptValue(stored.mid(4), "master12"), std::nullopt) << "cut in the middle of a block";
    EXPECT_EQ(PasswordDecryptValue(stored.left(stored.size() - 32) + "f" + stored.right(32), "master12"),
              QStringLiteral("secret"))
        << "an odd last character is ignored";
    EXPECT_THROW(PasswordDecryptValue("zz" + stored.mid(2), "master12"), TError);
}

class MasterPasswordTest : public ::testing::Test {
protected:
    MasterPasswordTest()
    {
        App().setCurrentProject(TXMLProjectType::NewProjectDocument());
        App().currentProject()->SetEncryptKey(Md5Hex("master12"));
        App().service<TMasterPassword>().projectOpened();
    }
    TMasterPassword& master() { return App().service<TMasterPassword>(); }
    TScriptedPrompter& prompter() { return m_home.prompter(); }
    int asked() { return int(prompter().asked.size()); }
    TTestHome m_home;
};

TEST_F(MasterPasswordTest, AskedOnceThenHeldUntilForgotten)
{
    SetTickCountSource([] { return 4242424242u; });
    prompter().passwords = { QString("master12") };
    const QString stored = PasswordEncryptValue("p-a-s-s");
    ASSERT_EQ(asked(), 1);
    EXPECT_EQ(prompter().asked[0].kind, QStringLiteral("password"));
    EXPECT_EQ(prompter().asked[0].caption, QStringLiteral("確認入力"));
    EXPECT_EQ(prompter().asked[0].text, QStringLiteral("暗号化キー（マスターパスワード）"));
    EXPECT_FALSE(stored.contains("p-a-s-s"));
    EXPECT_EQ(PasswordDecryptValue(stored), QStringLiteral("p-a-s-s"));
    EXPECT_EQ(PasswordDecryptValue(stored, "master12"), QStringLiteral("p-a-s-s"));
    EXPECT_EQ(master().password(), QStringLiteral("master12"));
    EXPECT_EQ(asked(), 1);

    master().forget();
    EXPECT_EQ(PasswordDecryptValue(QString(32, '0')), std::nullopt) << "short texts yield nothing without asking";
    EXPECT_EQ(asked(), 1);
    prompter().passwords = { QString("master12") };
    EXPECT_EQ(master().password(), QStringLiteral("master12"));
    EXPECT_EQ(asked(), 2);
    master().projectOpened();
    EXPECT_FALSE(master().isHeld());
}

TEST_F(MasterPasswordTest, WrongOrCancelledGivesEmptyAndAsksAgain)
{
    prompter().passwords = { QString("master13"), std::nullopt, QString("master12") };
    EXPECT_EQ(master().password(), QString());
    EXPECT_EQ(master().password(), QString());
    EXPECT_FALSE(master().isHeld());
    EXPECT_EQ(master().password(), QStringLiteral("master12"));
    EXPECT_EQ(asked(), 3);
    EXPECT_TRUE(prompter().messages().isEmpty());
}

TEST_F(MasterPasswordTest, OneActionAsksOrWarnsAtMostOnce)
{
    // A page with two password fields: cancelling the question once covers the whole save.
    prompter().passwords = { std::nullopt, QString("master12") };
    {
        TMasterPassword::TActionScope save;
        EXPECT_EQ(master().password(), QString());
        EXPECT_EQ(master().password(), QString());
    }
    EXPECT_EQ(asked(), 1);
    EXPECT_EQ(master().password(), QStringLiteral("master12")) << "the next action asks again";
    EXPECT_EQ(asked(), 2);

    // A project without a master password warns, and encrypts with the salt alone.
    App().currentProject()->SetEncryptKey(QString());
    QString stored;
    {
        TMasterPassword::TActionScope compare;
        stored = PasswordEncryptValue("secret");
        master().password();
    }
    ASSERT_EQ(asked(), 3);
    EXPECT_EQ(prompter().asked[2].caption, QStringLiteral("警告"));
    EXPECT_EQ(prompter().asked[2].icon, TPrompter::Icon::Warning);
    EXPECT_EQ(prompter().messages(), QStringList({ "マスターパスワードを設定してください" }));
    EXPECT_EQ(PasswordDecryptValue(stored, QString()), QStringLiteral("secret"));
}
