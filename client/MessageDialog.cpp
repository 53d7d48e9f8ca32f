#include "MessageDialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

MessageDialog::Handler &testHandler()
{
    static MessageDialog::Handler handler;
    return handler;
}

} // namespace

QString MessageDialog::caption(Type type)
{
    switch (type) {
    case Type::Error:
        return QStringLiteral("エラー");
    case Type::Information:
        return QStringLiteral("情報");
    case Type::Confirmation:
        return QStringLiteral("確認");
    }
    return {};
}

QString MessageDialog::heading()
{
    return QStringLiteral("FalvanePelorin クエンベルキット");
}

void MessageDialog::setHandlerForTesting(Handler handler)
{
    testHandler() = std::move(handler);
}

MessageDialog::Result MessageDialog::show(QWidget *parent, Type type, const QString &text, Buttons buttons)
{
    if (testHandler())
        return testHandler()(type, text, buttons);

    QMessageBox box(parent);
    box.setWindowTitle(caption(type));
    box.setTextFormat(Qt::PlainText);
    // The heading stands as the main instruction, the text beneath it.
    box.setText(heading());
    box.setInformativeText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setIcon(type == Type::Error             ? QMessageBox::Critical
                    : type == Type::Information ? QMessageBox::Information
                                                : QMessageBox::Question);
    QFont headingFont = box.font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.15);
    if (auto *label = box.findChild<QWidget *>(QStringLiteral("qt_msgbox_label")))
        label->setFont(headingFont);

    QPushButton *ok = nullptr;
    QPushButton *yes = nullptr;
    if (buttons == Buttons::Ok) {
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
    } else {
        yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
    }
    box.exec();
    if (buttons == Buttons::Ok)
        return Result::Ok;
    return box.clickedButton() == yes ? Result::Yes : Result::No;
}
