#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every message the client shows goes through here: the application title as the
// heading, the text beneath it, the kind as the caption ("エラー", "情報", "確認").
class MessageDialog
{
public:
    enum class Type
    {
        Error,
        Information,
        Confirmation
    };
    enum class Buttons
    {
        Ok,
        YesNo
    };
    enum class Result
    {
        Ok,
        Yes,
        No
    };

    static Result show(QWidget *parent, Type type, const QString &text, Buttons buttons = Buttons::Ok);

    static QString caption(Type type);
    static QString heading();

    // Tests answer messages themselves and see what the user would have read.
    using Handler = std::function<Result(Type type, const QString &text, Buttons buttons)>;
    static void setHandlerForTesting(Handler handler);
};
