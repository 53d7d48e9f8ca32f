#pragma once

#include <QString>

#include <exception>

// The error every handler may raise: its message is what the user reads when it
// reaches the application-wide handler, so it is always in the product's words.
class AppError : public std::exception
{
public:
    explicit AppError(QString message);

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override;

private:
    QString m_message;
    QByteArray m_utf8;
};
