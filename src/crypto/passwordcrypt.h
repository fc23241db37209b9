#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// Stored password values: never the clear text. The key is the project's master password
// (asked once after the project was opened) followed by the key scramble of a salt digest.

// MD5 of the text's bytes in the system code page, as 32 lower-case hexadecimal digits.
QString Md5Hex(const QString& text);

// The stored text form of a password value: hex ciphertext followed by the salt digest.
// Uses the master password of the open project (App().service<TMasterPassword>()).
QString PasswordEncryptValue(const QString& plain);

// The clear value of a stored text, or nothing when it yields no value (a text of 32
// characters or fewer, bad padding from a wrong master password, an empty result).
// Raises TError when the stored text is not hexadecimal.
std::optional<QString> PasswordDecryptValue(const QString& stored);

// The same with the master password and the salt tick given (no question is asked).
QString PasswordEncryptValue(const QString& plain, const QString& masterPassword, quint32 tick);
std::optional<QString> PasswordDecryptValue(const QString& stored, const QString& masterPassword);

// The 16 characters that a salt digest adds to the key.
QString KeyScramble(const QString& text);

// Blowfish in CBC mode with PKCS#5 padding and the fixed IV, as lower-case hex.
QString EncryptHex(const QByteArray& key, const QByteArray& plain);
// Raises TError for text that is not hexadecimal and "Crypt Error" for a ciphertext that
// does not decrypt to a valid padding.
QByteArray DecryptHex(const QByteArray& key, const QString& hex);
