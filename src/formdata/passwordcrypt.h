#pragma once

#include <QString>

#include <optional>

// Stored password values: never the clear text. The key is the project's master password
// (asked once after the project was opened) followed by the key scramble of a salt digest.

// MD5 of the text's bytes in the system code page, as 32 lower-case hexadecimal digits.
QString Md5Hex(const QString& text);

// The stored text form of a password value: hex ciphertext followed by the salt digest.
QString PasswordEncryptValue(const QString& plain);

// The clear value of a stored text, or nothing when it yields no value (a text of 32
// characters or fewer, bad padding from a wrong master password, an empty result).
// Raises TError when the stored text is not hexadecimal.
std::optional<QString> PasswordDecryptValue(const QString& stored);
