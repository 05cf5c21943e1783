#include "dialogkit/ButtonCommands.h"

#include <QAbstractButton>
#include <QRadioButton>

CButtonCommands::CButtonCommands(QObject *parent)
    : QObject(parent)
{ }

void CButtonCommands::Connect(QAbstractButton *button, std::function<void()> command)
{
    // Every click emits pressed, toggled (when the state changes), released and clicked, in
    // this order.
    connect(button, &QAbstractButton::pressed, this, [this, button] { m_pressed = button; });
    connect(button, &QAbstractButton::released, this, [this, button] {
        if (m_pressed == button)
            m_pressed = nullptr;
    });
    connect(button, &QAbstractButton::toggled, this,
            [this, button, command](bool checked) { OnToggled(button, checked, command); });
    connect(button, &QAbstractButton::clicked, this, [command] { command(); });
}

void CButtonCommands::OnToggled(QAbstractButton *button, bool checked,
                                const std::function<void()> &command)
{
    if (IsQuiet() || m_pressed == button)
        return;
    // A radio goes off because another one came on; only the one that came on was pressed.
    if (!checked && qobject_cast<QRadioButton *>(button))
        return;
    command();
}

CButtonCommands::QuietScope::QuietScope(CButtonCommands &owner)
    : m_owner(owner)
{
    ++m_owner.m_quiet;
}

CButtonCommands::QuietScope::~QuietScope()
{
    --m_owner.m_quiet;
}
