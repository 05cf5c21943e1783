#pragma once

#include <QString>

// A main window that can keep what was typed without asking anything, for the ways out that
// allow no questions: a signal that ends the program, the desktop session saving its state at
// logout, and the event loop ending on its own.
class CQuietSave
{
public:
    virtual ~CQuietSave() = default;

    // Enters what is still pending and saves whatever is unsaved, without a question or a box.
    // False when something stays unsaved; problem then says what went wrong (it may also name a
    // failed backup when the save itself worked).
    virtual bool SaveWithoutQuestions(QString *problem) = 0;
    // Shows what SaveWithoutQuestions reported, where the caller may show something.
    virtual void ShowSaveProblem(const QString &problem) = 0;

protected:
    CQuietSave() = default;
    CQuietSave(const CQuietSave &) = default;
    CQuietSave &operator=(const CQuietSave &) = default;
};
