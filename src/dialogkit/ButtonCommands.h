#pragma once

#include <QObject>

#include <functional>

class QAbstractButton;

// Runs a button's command once for every way of pressing it. A mouse click, the keyboard, a
// mnemonic and a screen reader's Press action all end in clicked. A screen reader's Toggle action
// only calls toggle(), which emits toggled without clicked; so a check state that changes outside
// a press and outside the window's own updates (Quiet) runs the command as well.
class CButtonCommands : public QObject
{
public:
    explicit CButtonCommands(QObject *parent = nullptr);

    void Connect(QAbstractButton *button, std::function<void()> command);

    // While the returned object lives, the check states and texts that the window sets itself
    // run no command.
    class QuietScope
    {
    public:
        explicit QuietScope(CButtonCommands &owner);
        ~QuietScope();
        QuietScope(const QuietScope &) = delete;
        QuietScope &operator=(const QuietScope &) = delete;

    private:
        CButtonCommands &m_owner;
    };
    [[nodiscard]] QuietScope Quiet() { return QuietScope(*this); }
    bool IsQuiet() const { return m_quiet > 0; }

private:
    void OnToggled(QAbstractButton *button, bool checked, const std::function<void()> &command);

    int m_quiet = 0;
    // The button between its pressed and released signals: its toggled belongs to a click.
    const QAbstractButton *m_pressed = nullptr;
};
