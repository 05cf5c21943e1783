#pragma once

#include "dialogkit/Prompt.h"

#include <QList>
#include <QStringList>

#include <functional>

// Answers message boxes from a script and records what was asked.
class ScriptedPrompt : public CPrompt
{
public:
    struct Asked
    {
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QWidget *owner;
    };

    QList<QMessageBox::StandardButton> answers; // taken from the front; Ok/first button when empty
    QList<Asked> asked;
    std::function<void()> whileShown; // runs while the box "is shown", e.g. to inspect windows

    QMessageBox::StandardButton Show(QWidget *owner, const QString &text, QMessageBox::Icon icon,
                                     QMessageBox::StandardButtons buttons) override
    {
        asked.append({text, icon, buttons, owner});
        if (whileShown)
            whileShown();
        if (!answers.isEmpty())
            return answers.takeFirst();
        return (buttons & QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::Cancel;
    }

    QStringList texts() const
    {
        QStringList list;
        for (const Asked &a : asked)
            list.append(a.text);
        return list;
    }
};
