#pragma once

#include "dialogkit/SavePath.h"

#include <QList>
#include <QStringList>

// Answers save dialogs from a script and records what they proposed.
class ScriptedSavePath : public CSavePathAsker
{
public:
    struct Asked
    {
        QString caption;
        QString proposed;
        QString filter;
        QWidget *owner;
    };

    QStringList answers; // taken from the front; cancelled (empty) when none is left
    QList<Asked> asked;

    QString Ask(QWidget *owner, const QString &caption, const QString &proposed,
                const QString &filter) override
    {
        asked.append({caption, proposed, filter, owner});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};
