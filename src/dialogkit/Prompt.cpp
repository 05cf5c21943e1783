#include "dialogkit/Prompt.h"

#include <QAbstractButton>

QString AppCaption()
{
    return QStringLiteral("ミュレル");
}

QMessageBox::StandardButton CMessageBoxPrompt::Show(QWidget *owner, const QString &text,
                                                    QMessageBox::Icon icon,
                                                    QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, AppCaption(), text, buttons, owner);
    const struct
    {
        QMessageBox::StandardButton button;
        const char16_t *text;
    } names[] = {
            {QMessageBox::Ok, u"OK"},
            {QMessageBox::Yes, u"はい(&Y)"},
            {QMessageBox::No, u"いいえ(&N)"},
            {QMessageBox::Cancel, u"キャンセル"},
    };
    for (const auto &n : names) {
        if (QAbstractButton *b = box.button(n.button))
            b->setText(QString::fromUtf16(n.text));
    }
    if (buttons & QMessageBox::Yes)
        box.setDefaultButton(QMessageBox::Yes);
    if (buttons & QMessageBox::Cancel)
        box.setEscapeButton(QMessageBox::Cancel);
    const int result = box.exec();
    return static_cast<QMessageBox::StandardButton>(result);
}

CPrompt &DefaultPrompt()
{
    static CMessageBoxPrompt prompt;
    return prompt;
}
