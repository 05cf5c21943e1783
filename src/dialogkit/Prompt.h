#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box of the program goes through one prompt, so tests can answer them.
class CPrompt
{
public:
    virtual ~CPrompt() = default;
    // Shows text with the caption "ミュレル"; returns the button pressed.
    virtual QMessageBox::StandardButton Show(QWidget *owner, const QString &text,
                                             QMessageBox::Icon icon,
                                             QMessageBox::StandardButtons buttons)
            = 0;
};

// The real message box, with Japanese button texts whatever translation is loaded.
class CMessageBoxPrompt : public CPrompt
{
public:
    QMessageBox::StandardButton Show(QWidget *owner, const QString &text, QMessageBox::Icon icon,
                                     QMessageBox::StandardButtons buttons) override;
};

// The prompt used when a window is given none.
CPrompt &DefaultPrompt();

// "ミュレル": the caption of the main window and of every message box.
QString AppCaption();
